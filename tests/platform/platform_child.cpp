// The program the platform tests start with redirected standard handles.
// "platform_child --exit=N" (process execution): prints "cwd:" and its current directory in UTF-8,
// copies standard input to standard output, writes "to stderr" on standard error, exits with N.
// "platform_child MACHINE-KEY SCENARIO" (logging; MACHINE-KEY stands in for HKEY_LOCAL_MACHINE):
// logs what the scenario names and writes the event-log calls it sees to standard error, one
// record each ending in '\x1e': "R|source", "E|type category id strings data sid|string|...",
// "D". Wine keeps no event log to read afterwards, so the calls are watched on their way out.

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

int echo(const char* exitArgument) {
  wchar_t cwd[MAX_PATH] = {};
  char bytes[4 * MAX_PATH];
  const std::wstring text = L"cwd:" + std::wstring(cwd, GetCurrentDirectoryW(MAX_PATH, cwd)) + L"\n";
  std::fwrite(bytes, 1, WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes, sizeof bytes, nullptr, nullptr), stdout);
  for (std::size_t read; (read = std::fread(bytes, 1, sizeof bytes, stdin)) > 0;) std::fwrite(bytes, 1, read, stdout);
  std::fputs("to stderr\n", stderr);
  return std::strncmp(exitArgument, "--exit=", 7) == 0 ? std::atoi(exitArgument + 7) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY), _setmode(_fileno(stderr), _O_BINARY);  // the test sees the bytes as written
  if (argc == 2) return _setmode(_fileno(stdin), _O_BINARY), echo(argv[1]);
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
