#pragma once
// "rbl.dat": the servers queried for DNS black lists, one a line, with the mail server's
// own flags kept as they were read.

#include <string>
#include <vector>

#include "listfiles/list_file.h"
#include "interfaces/provider_types.h"

namespace Dravo {

struct RblEntry {
  bool prefixFlag = false;  // the line began with "1:"
  std::wstring server;
  bool suffixFlag = false;  // ",1" followed the server
  std::wstring tail;        // the text after ";"

  bool operator==(const RblEntry&) const = default;
};

bool parseRblLine(const std::string& line, RblEntry& entry);
std::string formatRblLine(const RblEntry& entry);

class DravoRblFile : public DravoListFile {
 public:
  // Without read the object starts empty, to replace the file's content.
  DravoRblFile(const std::wstring& configDirectory, bool read);

  void servers(StringList& list) const;
  void addServer(const std::wstring& server);
  void save() override;

  std::vector<RblEntry> entries;
};

}  // namespace Dravo
