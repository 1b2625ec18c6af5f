#include "listfiles/filter_file.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "platform/unicode_name.h"
#include "platform/exceptions.h"
#include "platform/strings.h"

namespace Dravo {
namespace {

constexpr char fieldLetters[] = "HBASRIYPT";
constexpr char operators[] = "~^{}=&";

bool isOneOf(char c, const char* set) { return c != 0 && std::strchr(set, c) != nullptr; }
bool isLevel(char c) { return c >= '0' && c <= '3'; }
bool isBlackListed(const FilterEntry& e) { return e.kind == 2 && (e.level == '0' || e.level == '2'); }

// The "$", "!" and operator steps of a rule, from position at.
bool parseOperator(const std::string& line, size_t& at, FilterEntry& entry) {
  auto current = [&] { return at < line.size() ? line[at] : '\0'; };
  if (current() == '$') {
    entry.dollar = true;
    ++at;
  }
  if (current() == '!') {
    entry.negate = true;
    ++at;
  }
  if (!isOneOf(current(), operators)) return false;
  entry.op = current();
  ++at;
  return true;
}

}  // namespace

bool parseFilterLine(const std::string& line, char& section, FilterEntry& entry) {
  entry = FilterEntry{};
  if (line.size() == 1 && isLevel(line[0])) {
    entry.kind = 0;
    entry.level = section = line[0];
    return true;
  }
  size_t at = 0;
  if (line.size() >= 2 && line[1] == ':') {
    if (!isLevel(line[0])) return false;
    entry.level = line[0];
    entry.levelInherited = false;
    at = 2;
  } else {
    entry.level = section;
  }
  const char first = at < line.size() ? line[at] : '\0';
  const char next = at + 1 < line.size() ? line[at + 1] : '\0';
  if (isOneOf(first, fieldLetters) && isOneOf(next, "~^{}=&!$")) {
    entry.kind = 1;
    entry.field = first;
    ++at;
    if (!parseOperator(line, at, entry)) return false;
  } else if (isOneOf(first, "~^{}=&!$")) {
    entry.kind = 1;
    entry.field = 'H';
    if (!parseOperator(line, at, entry)) return false;
  }
  entry.value = toWide(std::string_view(line).substr(std::min(at, line.size())), CP_ACP);
  return true;
}

std::string formatFilterLine(const FilterEntry& entry) {
  if (entry.kind == 0) return std::string(1, entry.level);
  std::string line;
  if (!entry.levelInherited) line += {entry.level, ':'};
  if (entry.kind == 1) {
    line += entry.field;
    if (entry.dollar) line += '$';
    if (entry.negate) line += '!';
    line += entry.op;
  }
  return line + toNarrow(entry.value, CP_ACP);
}

DravoFilterFile::DravoFilterFile(const std::wstring& configDirectory) : DravoListFile(configDirectory + L"filter.dat") {
  char section = '0';
  FilterEntry entry;
  for (const std::string& line : readLines()) {
    if (parseFilterLine(line, section, entry)) entries.push_back(std::move(entry));
  }
}

void DravoFilterFile::restrictedDomains(StringList& list) const {
  // Values already listed, the caller's among them, are looked up by hash: long lists
  // would otherwise take time growing with the square of their length.
  std::unordered_set<std::wstring> listed(list.begin(), list.end());
  for (const FilterEntry& e : entries) {
    if (isBlackListed(e) && listed.insert(e.value).second) list.push_back(e.value);
  }
}

void DravoFilterFile::addRestrictedDomain(const std::wstring& domain) {
  const bool present = std::any_of(entries.begin(), entries.end(),
                                   [&](const FilterEntry& e) { return isBlackListed(e) && e.value == domain; });
  if (present) return;
  FilterEntry entry;
  entry.levelInherited = false;
  entry.value = domain;
  entries.push_back(entry);
}

void DravoFilterFile::delRestrictedDomain(const std::wstring& domain) {
  const auto found =
      std::find_if(entries.begin(), entries.end(), [&](const FilterEntry& e) { return isBlackListed(e) && e.value == domain; });
  if (found == entries.end()) {
    throwRuntimeError(L"Domain not found in black list. Domain = " + withUnicodeForm(domain),
                      site("Dravo::DravoFilterFile::delRestrictedDomain", __LINE__));
  }
  entries.erase(found);
}

void DravoFilterFile::save() {
  std::vector<std::string> lines;
  lines.reserve(entries.size());
  for (const FilterEntry& e : entries) lines.push_back(formatFilterLine(e));
  writeLines(lines);
}

}  // namespace Dravo
