#pragma once
// "filter.dat": sections, rules and plain lines. The plain lines of sections "0" and "2"
// are the global black list; everything else is carried through unchanged.

#include <string>
#include <vector>

#include "listfiles/list_file.h"
#include "interfaces/provider_types.h"

namespace Dravo {

struct FilterEntry {
  int kind = 2;  // 0 section line, 1 rule, 2 plain line
  char level = '0';
  char field = 0;
  char op = 0;
  bool negate = false;
  bool dollar = false;
  bool levelInherited = true;
  std::wstring value;

  bool operator==(const FilterEntry&) const = default;
};

// One line; false when the line cannot be parsed. section is the current section, and
// a section line changes it.
bool parseFilterLine(const std::string& line, char& section, FilterEntry& entry);
std::string formatFilterLine(const FilterEntry& entry);

class DravoFilterFile : public DravoListFile {
 public:
  explicit DravoFilterFile(const std::wstring& configDirectory);

  void restrictedDomains(StringList& list) const;
  void addRestrictedDomain(const std::wstring& domain);
  void delRestrictedDomain(const std::wstring& domain);
  bool isEmpty() const { return entries.empty(); }
  void save() override;

  std::vector<FilterEntry> entries;
};

}  // namespace Dravo
