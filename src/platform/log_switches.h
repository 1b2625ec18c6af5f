#pragma once
// The process-wide table that decides, per level, where log lines go. It lives in slot 0
// of the shared execute context, so every module of the process obeys the same switches.

#include <cstdint>

constexpr int logLevels = 6;

struct LogSwitches {
  std::uint8_t console[logLevels];   // lines of this level go to standard output
  std::uint8_t eventLog[logLevels];  // lines of this level go to the event log
  std::uint8_t consoleStarted;       // a line has already been written to standard output
};
static_assert(sizeof(LogSwitches) == 13, "the record is shared with other modules byte for byte");

// The shared record; made all off when no module has made it yet.
LogSwitches& logSwitches();
// Makes the record with the defaults unless a module of the process already has one.
void makeDefaultLogSwitches();

// The "Debug" switch. Every 16th evaluation, starting with the first, reads the
// registry value again; in between the last value read holds.
bool evaluateDebugSwitch();
