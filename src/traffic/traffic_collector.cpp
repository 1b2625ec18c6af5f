#include "traffic/traffic_collector.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/context_handler.h"
#include "platform/file_finder.h"
#include "platform/format.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "traffic/log_file_reader.h"
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

// A date-time as two numbers that order as the date-times do (year, month, day, hour,
// minute, second, milliseconds; the day of the week is ignored), cheaper to compare on
// every line than the fields one by one.
struct TimeKey {
  std::uint64_t high, low;
  explicit TimeKey(const SYSTEMTIME& t)
      : high(std::uint64_t(t.wYear) << 48 | std::uint64_t(t.wMonth) << 32 | std::uint64_t(t.wDay) << 16 | t.wHour),
        low(std::uint64_t(t.wMinute) << 32 | std::uint64_t(t.wSecond) << 16 | t.wMilliseconds) {}
  bool operator<(const TimeKey& other) const { return high != other.high ? high < other.high : low < other.low; }
};

// Applies the lines of one file that fall in the period; `old` stays true only when no
// line is at or after from.
template <class Sessions, class Apply>
void readLogFile(LogFileReader& reader, const std::wstring& path, const SYSTEMTIME& from, const SYSTEMTIME& to,
                 Sessions& sessions, TrafficMap& traffic, bool& old, Apply apply) {
  reader.open(toNarrow(path, CP_ACP));
  const struct Closer {
    LogFileReader& reader;
    ~Closer() { reader.close(); }
  } closer{reader};
  DravoLogFile::LineParser parser;  // its buffers grow with the longest line of the file
  const TimeKey start(from), end(to);
  for (std::string_view raw; reader.next(raw);) {
    parser.parse(raw, [&](const auto& line) {
      const TimeKey time(line.time);
      if (time < start) return;
      old = false;
      if (time < end) apply(line, sessions, traffic);
    });
  }
}

}  // namespace

void collectTraffic(const std::wstring& directory, const SYSTEMTIME& from, const SYSTEMTIME& to,
                    TrafficMap& traffic, StringList& finishedFiles, const TrafficProgress& progress) {
  const std::vector<std::wstring> names = sortedFileNames(directory);
  SmtpSessions smtp;
  PopSessions pop;
  SessionCursor<SmtpSession> smtpCursor;
  SessionCursor<PopSession> popCursor;
  const auto applyPop = [&](const auto& line, PopSessions& s, TrafficMap& t) { processPOPTraffic(line, s, t, popCursor); };
  const auto applySmtp = [&](const auto& line, SmtpSessions& s, TrafficMap& t) { processSMTPTraffic(line, s, t, smtpCursor); };
  LogFileReader reader;  // one buffer for all files
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::wstring& name = names[i];
    if (progress) progress(i, names.size(), name);
    const std::wstring path = directory + name;
    bool old = true;
    try {
      withContext(format(L"Error processing log file %s\n", name.c_str()), "Dravo::DravoProvider::getTrafficInfo",
                  __LINE__, [&] {
                    if (name[0] == L'p') readLogFile(reader, path, from, to, pop, traffic, old, applyPop);
                    else if (name[0] == L's') readLogFile(reader, path, from, to, smtp, traffic, old, applySmtp);
                  });
    } catch (const vexception& error) {
      LogManager::instance().log(3, error);
      continue;
    }
    if (old) finishedFiles.push_back(path);
  }
}

}  // namespace Dravo
