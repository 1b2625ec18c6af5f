#pragma once
// A fresh temporary folder for the log files of one test, removed with the object, and
// the days and traffic maps of the results.

#include <windows.h>

#include <cwchar>
#include <map>
#include <string>

#include "maillog/mail_log_writer.h"
#include "platform/directories.h"
#include "interfaces/provider_types.h"

class LogDir {
 public:
  // Under the temporary folder, or under `root` (ending in a backslash) when given.
  explicit LogDir(std::wstring root = {}) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    path_ = (root.empty() ? std::wstring(temp) : root) + L"traffic-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter) + L"\\";
    makeDirs(path_);
  }
  ~LogDir() {
    try {
      removeDir(path_, true);
    } catch (...) {
    }
  }
  LogDir(const LogDir&) = delete;
  LogDir& operator=(const LogDir&) = delete;

  // Ends in a backslash.
  const std::wstring& path() const { return path_; }
  std::string narrow() const { return std::string(path_.begin(), path_.end()); }

 private:
  std::wstring path_;
};

inline SYSTEMTIME dayTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  const auto w = [](int value) { return static_cast<WORD>(value); };
  return SYSTEMTIME{w(year), w(month), 0, w(day), w(hour), w(minute), w(second), 0};
}

// A traffic map keyed by "domain YYYY-MM-DD", comparable and printable in test results.
inline std::map<std::wstring, DayCounters> flatTraffic(const TrafficMap& traffic) {
  std::map<std::wstring, DayCounters> flat;
  for (const auto& [domain, days] : traffic) {
    for (const auto& [day, counters] : days) {
      wchar_t date[16];
      swprintf(date, 16, L"%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
      flat[domain + L" " + date] = counters;
    }
  }
  return flat;
}
