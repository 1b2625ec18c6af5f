#pragma once
// The process's logging: lines and caught exceptions go to the Application event log
// and to standard output, as the shared switches decide per level (0 to 5).

#include <windows.h>

#include <string>

#include "platform/exceptions.h"
#include "platform/owner.h"

class LogManager {
 public:
  // Made on first use, with the default switches when no module has made them yet.
  static LogManager& instance();

  LogManager(const LogManager&) = delete;
  LogManager& operator=(const LogManager&) = delete;

  // A formatted line: to the event log and to the console as the level's switches say.
  void write(int level, const std::wstring& text);
  // A caught exception; the console shows its trace too when "Debug" is on or the event
  // log could not take it.
  void log(int level, const vexception& error);

  // The registered event source, registering it on first use; null when that fails.
  HANDLE getEventLog();
  // The file name of the process's executable.
  const std::wstring& sourceName();

 private:
  LogManager();

  // False when the line did not reach the event log.
  bool report(int level, const std::wstring& text);

  EventSource eventSource_;
  std::wstring sourceName_;
};

// printf-style line at `level`; the call used throughout the module.
void log(int level, const wchar_t* format, ...);
