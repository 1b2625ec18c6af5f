#pragma once
// Realistic SMTP and POP3 log directories of any size with the traffic they must give:
// many domains, interleaved sessions in both directions, messages of many sizes, local
// POP3 checks, sessions that never end, and addresses in another letter case. The
// expected totals come from the generated sessions themselves, not from reading the logs.

#include <cstdint>
#include <string>
#include <vector>

#include "interfaces/provider_types.h"

struct TrafficShape {
  int measuredDomains = 4;  // "dom<i>.example", the keys of the traffic map
  int outsideDomains = 4;   // "far<i>.example"
  int days = 3;             // days in the period; one more day of files lies wholly before it
  int sessionsPerDay = 200;
  int maxRecipients = 4;
  int popPercent = 30;        // sessions that are POP3
  int localPercent = 10;      // POP3 sessions from 127.0.0.1
  int otherCasePercent = 5;   // addresses whose domain is written in upper case
  int unfinishedPercent = 3;  // sessions without their "Disconnected" line
  std::uint64_t targetBytes = 0;  // when set, days are added and the last one cut to give this size
};

struct GeneratedTraffic {
  SYSTEMTIME from{};
  SYSTEMTIME to{};
  TrafficMap expected;                 // filled for every measured domain
  StringList expectedFinished;         // full paths, in sorted name order
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
  std::uint64_t files = 0;

  // A traffic map with the measured domains as keys and no days, to pass to the reader.
  TrafficMap emptyTraffic() const;
};

// `directory` must exist and end in a backslash.
GeneratedTraffic generateTrafficLogs(const std::wstring& directory, const TrafficShape& shape, std::uint32_t seed);
