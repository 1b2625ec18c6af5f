#pragma once
// Value types that cross the provider's operation table.

#include <windows.h>

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <utility>

using StringList = std::list<std::wstring>;

// An address of the relaying file with its prefix length.
using RelayAddress = std::pair<std::wstring, int>;
using RelayAddressList = std::list<RelayAddress>;

// Calendar date-time ordered field by field: year, month, day, hour, minute, second,
// milliseconds (the day of the week is not part of the order).
struct DateTimeLess {
  bool operator()(const SYSTEMTIME& a, const SYSTEMTIME& b) const noexcept;
};

// Traffic of one domain on one day: sent, received, per-recipient sent, per-recipient
// received, and the two POP3 directions.
using DayCounters = std::array<std::uint64_t, 6>;
using DayMap = std::map<SYSTEMTIME, DayCounters, DateTimeLess>;
using TrafficMap = std::map<std::wstring, DayMap>;

inline bool DateTimeLess::operator()(const SYSTEMTIME& a, const SYSTEMTIME& b) const noexcept {
  const auto key = [](const SYSTEMTIME& t) {
    return std::array<WORD, 7>{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  };
  return key(a) < key(b);
}
