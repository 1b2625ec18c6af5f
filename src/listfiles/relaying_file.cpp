#include "listfiles/relaying_file.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/exceptions.h"

namespace Dravo {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits at `at`; false when there are none. Wraps like an unsigned conversion.
bool readNumber(const std::string& text, size_t& at, std::uint32_t& value) {
  if (at >= text.size() || !isDigit(text[at])) return false;
  value = 0;
  while (at < text.size() && isDigit(text[at])) value = value * 10 + static_cast<std::uint32_t>(text[at++] - '0');
  return true;
}

void skipBlanks(const std::string& text, size_t& at) {
  while (at < text.size() && text[at] == ' ') ++at;
}

// The block after the marker: "a.b.c.d/p", each number optionally preceded by blanks.
bool parseMarkedBlock(const std::string& text, RelayEntry& entry) {
  size_t at = 0;
  std::uint32_t ip = 0;
  for (int i = 0; i < 4; ++i) {
    skipBlanks(text, at);
    std::uint32_t octet = 0;
    if (!readNumber(text, at, octet)) return false;
    ip = (ip << 8) | (octet & 0xFF);
    const char separator = i < 3 ? '.' : '/';
    if (at >= text.size() || text[at] != separator) return false;
    ++at;
  }
  skipBlanks(text, at);
  std::uint32_t prefix = 0;
  if (!readNumber(text, at, prefix) || (prefix & 0xFF) > 32) return false;
  entry.ip = ip;
  entry.prefixLength = static_cast<int>(prefix & 0xFF);
  return true;
}

// A pattern of the mail server: whole octets, then "*" or one range "L-H".
bool parsePattern(const std::string& line, std::vector<RelayEntry>& out) {
  size_t at = 0;
  std::uint32_t octets[4] = {};
  int full = 0;
  bool range = false;
  std::uint32_t low = 0;
  std::uint32_t high = 0;
  for (int part = 0; part < 4; ++part) {
    if (at < line.size() && line[at] == '*') break;
    std::uint32_t number = 0;
    if (!readNumber(line, at, number)) return false;
    skipBlanks(line, at);
    if (at < line.size() && line[at] == '-') {
      ++at;
      if (!readNumber(line, at, high)) return false;
      low = number & 0xFF;
      high &= 0xFF;
      range = true;
      break;
    }
    skipBlanks(line, at);
    octets[full++] = number & 0xFF;
    ++at;  // the separator, whatever it is
  }
  std::uint32_t base = 0;
  for (int i = 0; i < 4; ++i) base = (base << 8) | octets[i];
  if (!range || high == 0) {
    out.push_back({base, 8 * full});
    return true;
  }
  // A range stands in the octet after the full ones (full is at most 3 here).
  const int shift = 8 * (3 - full);
  for (std::uint32_t v = low; v <= high; ++v) out.push_back({base | (v << shift), 8 * full + 8});
  return true;
}

}  // namespace

std::uint32_t parseAddress(const std::wstring& text) {
  std::uint32_t value = 0;
  int count = 0;
  size_t at = 0;
  while (count < 4) {
    std::uint32_t number = 0;
    while (at < text.size() && text[at] >= L'0' && text[at] <= L'9') number = number * 10 + (text[at++] - L'0');
    value = (value << 8) + number;
    ++count;
    if (at >= text.size() || text[at] != L'.') break;
    ++at;
  }
  return count < 4 ? value << (8 * (4 - count)) : value;
}

std::wstring addressText(std::uint32_t ip) {
  return std::to_wstring(ip >> 24) + L"." + std::to_wstring((ip >> 16) & 0xFF) + L"." +
         std::to_wstring((ip >> 8) & 0xFF) + L"." + std::to_wstring(ip & 0xFF);
}

bool parseRelayLine(const std::string& line, std::vector<RelayEntry>& out) {
  const size_t marker = line.find(relayMarker);
  if (marker != std::string::npos) {
    RelayEntry entry;
    if (!parseMarkedBlock(line.substr(marker + std::strlen(relayMarker)), entry)) return false;
    out.push_back(entry);
    return true;
  }
  return parsePattern(line, out);
}

std::string formatRelayLine(const RelayEntry& entry) {
  const auto octet = [&](int i) { return (entry.ip >> (24 - 8 * i)) & 0xFF; };
  const int whole = entry.prefixLength / 8;
  const int rest = entry.prefixLength % 8;
  std::string line;
  const auto number = [&](long long value, const char* after) {
    char digits[24];
    line.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    line += after;
  };
  int written = 0;
  for (; written < whole && written < 4; ++written) number(octet(written), ".");
  if (rest != 0 && written < 4) {
    const std::uint32_t c = octet(written);
    const std::uint32_t mask = (0xFFu << (8 - rest)) & 0xFF;
    number(c & mask, "-");
    number((c | ~mask) & 0xFF, ".");
    ++written;
  }
  for (; written < 4; ++written) line += "*.";
  line.pop_back();
  line += relayMarker;
  for (int i = 0; i < 4; ++i) number(octet(i), i < 3 ? "." : "/");
  number(entry.prefixLength, "");
  return line;
}

DravoRelayingFile::DravoRelayingFile(const std::wstring& configDirectory)
    : DravoListFile(configDirectory + L"relay.dat") {
  for (const std::string& line : readLines()) parseRelayLine(line, entries);
}

void DravoRelayingFile::ranges(RelayAddressList& list) const {
  for (const RelayEntry& e : entries) list.emplace_back(addressText(e.ip), e.prefixLength);
}

void DravoRelayingFile::addIP(const std::wstring& ipText, int prefixLength) {
  entries.push_back({parseAddress(ipText), prefixLength});
}

void DravoRelayingFile::delIP(const std::wstring& ipText, int prefixLength) {
  const std::uint32_t address = parseAddress(ipText);
  // The shift count is taken modulo 32, so a prefix length of 0 gives an all-ones mask:
  // only entries at exactly this address go.
  const std::uint32_t mask = 0xFFFFFFFFu << ((32 - prefixLength) & 31);
  const auto inside = [&](const RelayEntry& e) {
    return e.prefixLength >= prefixLength && (e.ip & mask) == (address & mask);
  };
  const auto removed = std::remove_if(entries.begin(), entries.end(), inside);
  if (removed == entries.end()) {
    throwRuntimeError(L"Address not found in list. IP " + ipText, site("Dravo::DravoRelayingFile::delIP", __LINE__));
  }
  entries.erase(removed, entries.end());
}

void DravoRelayingFile::save() {
  std::vector<std::string> lines;
  lines.reserve(entries.size());
  for (const RelayEntry& e : entries) lines.push_back(formatRelayLine(e));
  writeLines(lines);
}

}  // namespace Dravo
