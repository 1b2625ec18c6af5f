#pragma once
// "relay.dat": the IPv4 blocks allowed to relay. Each block is written as a pattern the
// mail server understands, followed by a marker that records the block exactly, so that
// the module's own lines read back without loss; foreign pattern lines are understood too.

#include <cstdint>
#include <string>
#include <vector>

#include "listfiles/list_file.h"
#include "interfaces/provider_types.h"

namespace Dravo {

struct RelayEntry {
  std::uint32_t ip = 0;  // first octet in the most significant byte
  int prefixLength = 0;

  bool operator==(const RelayEntry&) const = default;
};

inline constexpr char relayMarker[] = " //vanto-ip-range: ";

// Up to four dotted decimal numbers; missing trailing octets are 0.
std::uint32_t parseAddress(const std::wstring& text);
std::wstring addressText(std::uint32_t ip);
// Appends the entries of one line; false when the line cannot be parsed.
bool parseRelayLine(const std::string& line, std::vector<RelayEntry>& out);
std::string formatRelayLine(const RelayEntry& entry);

class DravoRelayingFile : public DravoListFile {
 public:
  explicit DravoRelayingFile(const std::wstring& configDirectory);

  void ranges(RelayAddressList& list) const;
  void addIP(const std::wstring& ipText, int prefixLength);
  // Removes every entry inside the block; raises when there is none.
  void delIP(const std::wstring& ipText, int prefixLength);
  void save() override;

  std::vector<RelayEntry> entries;
};

}  // namespace Dravo
