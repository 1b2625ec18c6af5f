// A program that the logging tests start with redirected standard handles: it logs what
// the test names, so the test can read the console output byte for byte, and writes the
// event-log calls it sees the logging make to its standard error, one record each ending
// in '\x1e': "R|source", "E|type category id strings data sid|string|...", "D". Wine keeps
// no event log that could be read afterwards, so the calls are watched on their way out.
// Usage: log_child MACHINE-KEY SCENARIO, where MACHINE-KEY stands in for HKEY_LOCAL_MACHINE.

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <utility>

#include "import_patch.h"
#include "override_machine_key.h"
#include "platform/format.h"
#include "platform/log_manager.h"
#include "platform/strings.h"

namespace {

decltype(&RegisterEventSourceW) systemRegister;
decltype(&ReportEventW) systemReport;
decltype(&DeregisterEventSource) systemDeregister;
bool refuseReport = false;

void note(const std::wstring& record) { std::fputs(toNarrow(record + L"\x1e", CP_UTF8).c_str(), stderr); }

HANDLE WINAPI watchRegister(LPCWSTR server, LPCWSTR source) {
  return note(std::wstring(L"R|") + source), systemRegister(server, source);
}

BOOL WINAPI watchReport(HANDLE source, WORD type, WORD category, DWORD id, PSID sid, WORD count, DWORD size,
                        LPCWSTR* strings, LPVOID data) {
  std::wstring record = format(L"E|%u %u %lu %u %lu %d", type, category, id, count, size, sid != nullptr);
  for (WORD i = 0; i < count; ++i) record += std::wstring(L"|") + strings[i];
  note(record);
  if (std::exchange(refuseReport, false)) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  return systemReport(source, type, category, id, sid, count, size, strings, data);
}

BOOL WINAPI watchDeregister(HANDLE source) { return note(L"D"), systemDeregister(source); }

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY), _setmode(_fileno(stderr), _O_BINARY);  // the test sees the bytes as written
  const std::string machine = argc == 3 ? argv[1] : "", scenario = argc == 3 ? argv[2] : "";
  systemRegister = decltype(systemRegister)(patchImport("advapi32.dll", "RegisterEventSourceW", (void*)watchRegister));
  systemReport = decltype(systemReport)(patchImport("advapi32.dll", "ReportEventW", (void*)watchReport));
  systemDeregister = decltype(systemDeregister)(patchImport("advapi32.dll", "DeregisterEventSource", (void*)watchDeregister));
  if (!overrideMachineKey(toWide(machine, CP_ACP)) || !systemRegister || !systemReport || !systemDeregister) return 3;
  try {
    if (scenario == "levels") {
      for (int level = 0; level < 6; ++level) log(level, L"line %d", level);
    } else if (scenario == "exception" || scenario == "refused-report") {
      refuseReport = scenario == "refused-report";
      vexception error(L"Run-Time error: broken", site("test::inner", 10));
      error.addSite(CallSite{L"Outer('x')", "test::outer", 20});
      LogManager::instance().log(3, error);
      if (scenario == "refused-report") log(3, L"after");
    } else {
      log(2, L"Gr\u00fc\u00dfe \u20ac %s", L"ok");  // the scenario "text"
      log(2, L"second");
    }
  } catch (const vexception& e) {
    std::fprintf(stderr, "failed: %ls\n", fullText(e).c_str());
    return 1;
  }
  return 0;
}
