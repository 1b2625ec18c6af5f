#include "traffic/traffic_collector.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/context_handler.h"
#include "platform/file_finder.h"
#include "platform/format.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "traffic/log_read_ahead.h"
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

}  // namespace

void collectTraffic(const std::wstring& directory, const SYSTEMTIME& from, const SYSTEMTIME& to,
                    TrafficMap& traffic, StringList& finishedFiles, const TrafficProgress& progress) {
  const std::vector<std::wstring> names = sortedFileNames(directory);
  // Only the SMTP ("s...") and POP3 ("p...") logs are read; other files count as finished.
  const auto isLog = [](const std::wstring& name) { return name[0] == L'p' || name[0] == L's'; };
  std::vector<std::wstring> logs;
  for (const std::wstring& name : names) {
    if (isLog(name)) logs.push_back(directory + name);
  }
  LogReadAhead files(std::move(logs), from, to);
  SmtpSessions smtp;
  PopSessions pop;
  SessionCursor<SmtpSession> smtpCursor;
  SessionCursor<PopSession> popCursor;
  const auto applyPop = [&](const auto& line) { processPOPTraffic(line, pop, traffic, popCursor); };
  const auto applySmtp = [&](const auto& line) { processSMTPTraffic(line, smtp, traffic, smtpCursor); };
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::wstring& name = names[i];
    if (progress) progress(i, names.size(), name);
    bool old = true;
    try {
      if (isLog(name)) {
        withContext(format(L"Error processing log file %s\n", name.c_str()), "Dravo::DravoProvider::getTrafficInfo",
                    __LINE__, [&] { old = name[0] == L'p' ? files.nextFile(applyPop) : files.nextFile(applySmtp); });
      }
    } catch (const vexception& error) {
      LogManager::instance().log(3, error);
      continue;
    }
    if (old) finishedFiles.push_back(directory + name);
  }
}

}  // namespace Dravo
