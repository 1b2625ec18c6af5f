// A program that the logging tests start with redirected standard handles: it logs what
// the test names, so the test can read the console output byte for byte, and it writes
// the event-log calls it sees the logging make to its standard error.
// Usage: log_child MACHINE-KEY SCENARIO, where MACHINE-KEY stands in for HKEY_LOCAL_MACHINE.

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "event_record.h"
#include "import_patch.h"
#include "override_machine_key.h"
#include "platform/log_manager.h"

namespace {

using RegisterCall = HANDLE(WINAPI*)(LPCWSTR, LPCWSTR);
using ReportCall = BOOL(WINAPI*)(HANDLE, WORD, WORD, DWORD, PSID, WORD, DWORD, LPCWSTR*, LPVOID);
using DeregisterCall = BOOL(WINAPI*)(HANDLE);

RegisterCall systemRegister;
ReportCall systemReport;
DeregisterCall systemDeregister;
int reportsToRefuse = 0;

void note(const EventCall& call) {
  const std::string text = encodeEventCall(call);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

HANDLE WINAPI watchRegister(LPCWSTR server, LPCWSTR source) {
  EventCall call;
  call.kind = 'R';
  call.strings.push_back(source ? source : L"");
  note(call);
  return systemRegister(server, source);
}

BOOL WINAPI watchReport(HANDLE source, WORD type, WORD category, DWORD id, PSID sid, WORD count, DWORD size,
                        LPCWSTR* strings, LPVOID data) {
  EventCall call;
  call.kind = 'E';
  call.type = type;
  call.category = category;
  call.id = id;
  call.stringCount = count;
  call.dataSize = size;
  call.hasSid = sid != nullptr;
  for (WORD i = 0; i < count; ++i) call.strings.push_back(strings[i]);
  note(call);
  if (reportsToRefuse > 0) {
    --reportsToRefuse;
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return systemReport(source, type, category, id, sid, count, size, strings, data);
}

BOOL WINAPI watchDeregister(HANDLE source) {
  EventCall call;
  call.kind = 'D';
  note(call);
  return systemDeregister(source);
}

bool watchEventLog() {
  systemRegister = reinterpret_cast<RegisterCall>(
      patchImport("advapi32.dll", "RegisterEventSourceW", reinterpret_cast<void*>(&watchRegister)));
  systemReport =
      reinterpret_cast<ReportCall>(patchImport("advapi32.dll", "ReportEventW", reinterpret_cast<void*>(&watchReport)));
  systemDeregister = reinterpret_cast<DeregisterCall>(
      patchImport("advapi32.dll", "DeregisterEventSource", reinterpret_cast<void*>(&watchDeregister)));
  return systemRegister && systemReport && systemDeregister;
}

vexception sampleError() {
  vexception error(L"Run-Time error: broken", site("test::inner", 10));
  error.addSite(CallSite{L"Outer('x')", "test::outer", 20});
  return error;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  _setmode(_fileno(stdout), _O_BINARY);  // the test sees exactly the bytes the logging writes
  const std::string machine = argv[1], scenario = argv[2];
  if (!overrideMachineKey(std::wstring(machine.begin(), machine.end())) || !watchEventLog()) return 3;
  try {
    if (scenario == "levels") {
      for (int level = 0; level < 6; ++level) log(level, L"line %d", level);
    } else if (scenario == "exception") {
      LogManager::instance().log(3, sampleError());
    } else if (scenario == "refused-report") {
      reportsToRefuse = 1;
      LogManager::instance().log(3, sampleError());
      log(3, L"after");
    } else if (scenario == "text") {
      log(2, L"Gr\u00fc\u00dfe \u20ac %s", L"ok");
      log(2, L"second");
    } else {
      return 2;
    }
  } catch (const vexception& e) {
    std::fprintf(stderr, "failed: %ls\n", fullText(e).c_str());
    return 1;
  }
  return 0;
}
