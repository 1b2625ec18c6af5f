#include "platform/log_manager.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "platform/config_key.h"
#include "platform/file_name.h"
#include "platform/format.h"
#include "platform/log_switches.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/system_paths.h"

namespace {

constexpr wchar_t eventLogKey[] = L"System\\CurrentControlSet\\Services\\EventLog\\Application\\";

int clampLevel(int level) { return std::clamp(level, 0, logLevels - 1); }

WORD eventType(int level) {
  switch (level) {
    case 0:
      return EVENTLOG_INFORMATION_TYPE;
    case 1:
      return EVENTLOG_WARNING_TYPE;
    case 2:
      return EVENTLOG_SUCCESS;
    default:
      return EVENTLOG_ERROR_TYPE;
  }
}

// Lines are separated by a line feed written before each line but the first.
void writeConsole(const std::wstring& text) {
  LogSwitches& switches = logSwitches();
  if (switches.consoleStarted)
    std::fputc('\n', stdout);
  else
    switches.consoleStarted = 1;
  const std::string utf8 = toNarrow(text, CP_UTF8);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

LogManager::LogManager() { makeDefaultLogSwitches(); }

LogManager& LogManager::instance() {
  static LogManager manager;
  return manager;
}

const std::wstring& LogManager::sourceName() {
  if (sourceName_.empty()) sourceName_ = fileNamePart(moduleName(nullptr));
  return sourceName_;
}

HANDLE LogManager::getEventLog() {
  if (eventSource_) return eventSource_.get();
  try {
    const std::wstring& name = sourceName();
    const std::wstring keyPath = eventLogKey + name;
    const std::wstring messageFile = registry::getstr(HKEY_LOCAL_MACHINE, configKeyPath, L"VantoService", REG_SZ);
    registry::Key key(HKEY_LOCAL_MACHINE, keyPath, KEY_SET_VALUE, false);
    registry::set(key.get(), L"TypesSupported", 7u);
    registry::set(key.get(), L"EventMessageFile", messageFile);
    key.close();
    const HANDLE source = RegisterEventSourceW(nullptr, name.c_str());
    if (!source) throwOsError(L"RegisterEventSource", GetLastError(), site("LogManager::getEventLog", 422));
    eventSource_.reset(source);
  } catch (...) {
    // No event log for now; the next line tries again.
    return nullptr;
  }
  return eventSource_.get();
}

bool LogManager::report(int level, const std::wstring& text) {
  const HANDLE source = getEventLog();
  if (!source) return false;
  wchar_t program[MAX_PATH + 1] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH + 1);  // at most 260 characters
  const wchar_t* strings[2] = {text.c_str(), program};
  if (ReportEventW(source, eventType(level), 0, 1, nullptr, 2, 0, strings, nullptr)) return true;
  eventSource_.reset();  // registered again by the next report
  return false;
}

void LogManager::write(int level, const std::wstring& text) {
  level = clampLevel(level);
  if (logSwitches().eventLog[level]) report(level, text);
  if (logSwitches().console[level]) writeConsole(text);
}

void LogManager::log(int level, const vexception& error) {
  level = clampLevel(level);
  bool debug = evaluateDebugSwitch();
  if (logSwitches().eventLog[level] && !report(level, fullText(error))) debug = true;
  if (logSwitches().console[level]) writeConsole(debug ? fullText(error) : error.message());
}

void log(int level, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const std::wstring text = vaformat(format, args);
  va_end(args);
  LogManager::instance().write(level, text);
}
