// A stand-in mail-server service. Usage:
//   dravoservice_standin install <name>...   register each name as a demand-start service
//   dravoservice_standin remove <name>...    delete those services (stopping them first)
//   dravoservice_standin run <name>          what the service control manager starts
// How a service behaves is read when it starts, from the DWORD values of
// HKLM\SOFTWARE\Dravo Standin\Services\<name> (all optional, 0 when missing):
//   StartDelay, StopDelay      milliseconds spent pending before running / stopped
//   StartWaitHint, StopWaitHint  wait hints reported while pending
//   StartStall, StopStall      1: the check point stays at 1 while pending
//   RefuseStart                non-zero: stop at once with this Win32 exit code
// Pause and continue are accepted and take effect at once.

#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/owner.h"

namespace {

constexpr wchar_t settingsRoot[] = L"SOFTWARE\\Dravo Standin\\Services\\";
constexpr DWORD progressStep = 100;  // ms between check points while pending

struct Behaviour {
  DWORD startDelay = 0, stopDelay = 0, startWaitHint = 0, stopWaitHint = 0;
  DWORD startStall = 0, stopStall = 0, refuseStart = 0;
};

DWORD readValue(HKEY key, const wchar_t* name) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return 0;
  return value;
}

Behaviour readBehaviour(const std::wstring& name) {
  Behaviour b;
  RegKey key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (settingsRoot + name).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
    return b;
  b.startDelay = readValue(key.get(), L"StartDelay");
  b.stopDelay = readValue(key.get(), L"StopDelay");
  b.startWaitHint = readValue(key.get(), L"StartWaitHint");
  b.stopWaitHint = readValue(key.get(), L"StopWaitHint");
  b.startStall = readValue(key.get(), L"StartStall");
  b.stopStall = readValue(key.get(), L"StopStall");
  b.refuseStart = readValue(key.get(), L"RefuseStart");
  return b;
}

std::wstring serviceName;
SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status{};
CRITICAL_SECTION statusLock;
KernelHandle stopRequested;

void report(DWORD state, DWORD checkPoint = 0, DWORD waitHint = 0, DWORD exitCode = NO_ERROR) {
  EnterCriticalSection(&statusLock);
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  // A stop is taken even while starting, so that a stalled start can be ended.
  status.dwControlsAccepted = state == SERVICE_STOPPED ? 0
                              : state == SERVICE_RUNNING || state == SERVICE_PAUSED
                                  ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE
                                  : SERVICE_ACCEPT_STOP;
  status.dwCheckPoint = checkPoint;
  status.dwWaitHint = waitHint;
  status.dwWin32ExitCode = exitCode;
  SetServiceStatus(statusHandle, &status);
  LeaveCriticalSection(&statusLock);
}

// Reports `state` pending for `delay` ms; returns early when a stop is requested.
bool pending(DWORD state, DWORD delay, DWORD waitHint, bool stall, bool stoppable) {
  DWORD checkPoint = 1;
  for (DWORD spent = 0; spent < delay; spent += progressStep) {
    report(state, checkPoint, waitHint);
    if (stoppable && WaitForSingleObject(stopRequested.get(), progressStep) == WAIT_OBJECT_0) return false;
    if (!stoppable) Sleep(progressStep);
    if (!stall) ++checkPoint;
  }
  return true;
}

DWORD WINAPI handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      SetEvent(stopRequested.get());
      return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
      report(SERVICE_PAUSED);
      return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
      report(SERVICE_RUNNING);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI serviceMain(DWORD, wchar_t**) {
  statusHandle = RegisterServiceCtrlHandlerExW(serviceName.c_str(), handler, nullptr);
  if (!statusHandle) return;
  const Behaviour b = readBehaviour(serviceName);
  if (b.refuseStart) {
    // Give up during the start, as a service does whose initialisation fails.
    report(SERVICE_START_PENDING, 1, 1000);
    Sleep(300);
    report(SERVICE_STOPPED, 0, 0, b.refuseStart);
    return;
  }
  if (pending(SERVICE_START_PENDING, b.startDelay, b.startWaitHint, b.startStall, true)) {
    report(SERVICE_RUNNING);
    WaitForSingleObject(stopRequested.get(), INFINITE);
  }
  pending(SERVICE_STOP_PENDING, b.stopDelay, b.stopWaitHint, b.stopStall, false);
  report(SERVICE_STOPPED);
  // Wine refuses to start a service again (1056) while the process of its last run lives:
  // end it at once, as a real service's process ends with its stop.
  ExitProcess(0);
}

int run(const std::wstring& name) {
  serviceName = name;
  InitializeCriticalSection(&statusLock);
  stopRequested.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  SERVICE_TABLE_ENTRYW table[] = {{serviceName.data(), serviceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(GetLastError());
}

int install(int count, wchar_t** names) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!scm) return static_cast<int>(GetLastError());
  int failures = 0;
  for (int i = 0; i < count; ++i) {
    const std::wstring command = L"\"" + std::wstring(self) + L"\" run " + names[i];
    ServiceHandle service(CreateServiceW(scm.get(), names[i], names[i], SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                         SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr,
                                         nullptr, nullptr, nullptr, nullptr));
    if (!service && GetLastError() != ERROR_SERVICE_EXISTS) {
      std::fwprintf(stderr, L"cannot register %ls: error %lu\n", names[i], GetLastError());
      ++failures;
    }
  }
  return failures;
}

int remove(int count, wchar_t** names) {
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!scm) return static_cast<int>(GetLastError());
  for (int i = 0; i < count; ++i) {
    ServiceHandle service(OpenServiceW(scm.get(), names[i], SERVICE_STOP | DELETE | SERVICE_QUERY_STATUS));
    if (!service) continue;
    SERVICE_STATUS ignored;
    ControlService(service.get(), SERVICE_CONTROL_STOP, &ignored);
    DeleteService(service.get());
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"run" && argc == 3) return run(argv[2]);
  if (mode == L"install") return install(argc - 2, argv + 2);
  if (mode == L"remove") return remove(argc - 2, argv + 2);
  std::fwprintf(stderr, L"usage: dravoservice_standin install|remove <name>... | run <name>\n");
  return 2;
}
