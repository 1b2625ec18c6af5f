#pragma once
// Days and traffic maps of the traffic tests' results; their log folders are scratch folders.

#include <windows.h>

#include <cwchar>
#include <map>
#include <string>

#include "maillog/mail_log_writer.h"
#include "platform/scratch_dir.h"
#include "interfaces/provider_types.h"

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
