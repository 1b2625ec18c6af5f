#include "listfiles/rbl_file.h"

#include <windows.h>

#include "platform/strings.h"

namespace Dravo {

bool parseRblLine(const std::string& line, RblEntry& entry) {
  entry = RblEntry{};
  size_t at = 0;
  if (line.size() >= 2 && line[1] == ':') {
    if (line[0] != '0' && line[0] != '1') return false;
    entry.prefixFlag = line[0] == '1';
    at = 2;
  }
  std::string server;
  bool haveServer = false;
  const size_t comma = line.find(',', at);
  if (comma != std::string::npos) {
    if (comma + 1 >= line.size() || line[comma + 1] != '1') return false;
    entry.suffixFlag = true;
    server = line.substr(at, comma - at);
    haveServer = !server.empty();
    at = comma + 1;
  }
  const size_t semicolon = line.find(';', at);
  if (semicolon != std::string::npos) {
    if (!haveServer) {
      server = line.substr(at, semicolon - at);
      haveServer = !server.empty();
    }
    entry.tail = toWide(line.substr(semicolon + 1), CP_ACP);
  } else if (!haveServer) {
    server = line.substr(at);
  }
  entry.server = toWide(server, CP_ACP);
  return true;
}

std::string formatRblLine(const RblEntry& entry) {
  std::string line;
  if (entry.prefixFlag) line += "1:";
  line += toNarrow(entry.server, CP_ACP);
  if (entry.suffixFlag) line += ",1";
  if (!entry.tail.empty()) line += ";" + toNarrow(entry.tail, CP_ACP);
  return line;
}

DravoRblFile::DravoRblFile(const std::wstring& configDirectory, bool read)
    : DravoListFile(configDirectory + L"rbl.dat") {
  if (!read) return;
  RblEntry entry;
  for (const std::string& line : readLines()) {
    if (parseRblLine(line, entry)) entries.push_back(entry);
  }
}

void DravoRblFile::servers(StringList& list) const {
  for (const RblEntry& e : entries) {
    if (!e.prefixFlag) list.push_back(e.server);
  }
}

void DravoRblFile::addServer(const std::wstring& server) {
  RblEntry entry;
  entry.server = server;
  entries.push_back(entry);
}

void DravoRblFile::save() {
  std::vector<std::string> lines;
  lines.reserve(entries.size());
  for (const RblEntry& e : entries) lines.push_back(formatRblLine(e));
  writeLines(lines);
}

}  // namespace Dravo
