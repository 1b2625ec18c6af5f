#include "traffic/traffic_collector.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/context_handler.h"
#include "platform/file_finder.h"
#include "platform/format.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "traffic/traffic_sessions.h"

namespace Dravo {
namespace {

std::vector<std::wstring> sortedFileNames(const std::wstring& directory) {
  std::vector<std::wstring> names;
  VFileFinder finder;
  for (bool found = finder.first(directory + L"*.*"); found; found = finder.next()) {
    if (!finder.isDirectory()) names.push_back(finder.name());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Read buffer of the log files: larger than the library's default of a few hundred
// bytes, which costs a system call every few lines.
constexpr std::size_t readBufferSize = 64 * 1024;

// Applies the lines of one file that fall in the period; `old` stays true only when no
// line is at or after from.
template <class Sessions, class Apply>
void readLogFile(const std::wstring& path, const SYSTEMTIME& from, const SYSTEMTIME& to, Sessions& sessions,
                 TrafficMap& traffic, bool& old, Apply apply) {
  std::vector<char> buffer(readBufferSize);
  std::ifstream stream;
  stream.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));  // before open
  stream.open(toNarrow(path, CP_ACP));  // text mode: CR LF arrives as LF
  const DateTimeLess less;
  for (DravoLogFile::iterator line(stream), end; line != end; ++line) {
    if (less(line->time, from)) continue;
    old = false;
    if (less(line->time, to)) apply(*line, sessions, traffic);
  }
}

}  // namespace

void collectTraffic(const std::wstring& directory, const SYSTEMTIME& from, const SYSTEMTIME& to,
                    TrafficMap& traffic, StringList& finishedFiles, const TrafficProgress& progress) {
  const std::vector<std::wstring> names = sortedFileNames(directory);
  SmtpSessions smtp;
  PopSessions pop;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::wstring& name = names[i];
    if (progress) progress(i, names.size(), name);
    const std::wstring path = directory + name;
    bool old = true;
    try {
      withContext(format(L"Error processing log file %s\n", name.c_str()), "Dravo::DravoProvider::getTrafficInfo",
                  __LINE__, [&] {
                    if (name[0] == L'p') readLogFile(path, from, to, pop, traffic, old, processPOPTraffic);
                    else if (name[0] == L's') readLogFile(path, from, to, smtp, traffic, old, processSMTPTraffic);
                  });
    } catch (const vexception& error) {
      LogManager::instance().log(3, error);
      continue;
    }
    if (old) finishedFiles.push_back(path);
  }
}

}  // namespace Dravo
