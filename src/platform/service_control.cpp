#include "platform/service_control.h"

#include <string>

#include "platform/exceptions.h"
#include "platform/log_manager.h"

namespace {

constexpr DWORD errorDatabaseLocked = 1055;
constexpr DWORD errorNoSuchService = 1060;
constexpr DWORD errorServiceNotActive = 1062;
constexpr DWORD errorTimeout = 1460;
constexpr DWORD lockStatusBufferSize = 524;
constexpr int maxStateChangeSeconds = 60;

std::wstring quoted(const wchar_t* text, const wchar_t* name) {
  return std::wstring(text) + L" '" + name + L"'";
}

ServiceHandle openService(SC_HANDLE scm, const wchar_t* name, DWORD access, const char* function,
                          std::uint32_t line) {
  ServiceHandle handle(OpenServiceW(scm, name, access));
  if (!handle) throwOsError(quoted(L"OpenService", name), GetLastError(), site(function, line));
  return handle;
}

// Polls while the service stays in `pending`; a failed query or a stall past the allowance
// ends the wait with its error left as the thread's last error.
void waitWhilePending(SC_HANDLE handle, SERVICE_STATUS& status, DWORD pending) {
  DWORD since = GetTickCount();
  DWORD checkPoint = status.dwCheckPoint;
  while (status.dwCurrentState == pending) {
    Sleep(service::pollInterval(status.dwWaitHint));
    if (!QueryServiceStatus(handle, &status)) return;
    if (status.dwCheckPoint > checkPoint) {
      since = GetTickCount();
      checkPoint = status.dwCheckPoint;
    } else if (GetTickCount() - since > service::stallAllowance(status.dwWaitHint)) {
      SetLastError(errorTimeout);
      return;
    }
  }
}

}  // namespace

servicemanager::servicemanager(DWORD access, const wchar_t* machine, const wchar_t* database)
    : handle_(OpenSCManagerW(machine, database, access)) {
  if (!handle_) throwOsError(L"OpenSCManager", GetLastError(), site("servicemanager::servicemanager", 83));
}

VSCMLock::VSCMLock(SC_HANDLE scm) : lock_(LockServiceDatabase(scm)) {
  if (!lock_) GetLockInfo(scm);
}

void VSCMLock::GetLockInfo(SC_HANDLE scm) {
  if (GetLastError() != errorDatabaseLocked) log(1, L"LockServiceDatabase fail");
  LocalMemory buffer(LocalAlloc(LPTR, lockStatusBufferSize));
  if (!buffer) throwOutOfMemory();
  auto* info = static_cast<QUERY_SERVICE_LOCK_STATUSW*>(buffer.get());
  DWORD needed = 0;
  if (!QueryServiceLockStatusW(scm, info, lockStatusBufferSize, &needed))
    throwOsError(L"QueryServiceLockStatus", GetLastError(), site("VSCMLock::GetLockInfo", 72));
  if (info->fIsLocked)
    log(1, L"Locked by: %s, duration: %d seconds", info->lpLockOwner ? info->lpLockOwner : L"",
        static_cast<int>(info->dwLockDuration));
  log(1, L"Could not lock database");
}

namespace service {

DWORD pollInterval(DWORD waitHint) {
  const DWORD tenth = waitHint / 10;
  return tenth < 1000 ? 1000 : tenth > 10000 ? 10000 : tenth;
}

void dumpStatus(const SERVICE_STATUS& status) {
  log(0, L"  Service Type: 0x%x", static_cast<unsigned>(status.dwServiceType));
  log(0, L"  Controls Accepted: 0x%x", static_cast<unsigned>(status.dwControlsAccepted));
  log(0, L"  Current State: %d", static_cast<int>(status.dwCurrentState));
  log(0, L"  Exit Code: %d", static_cast<int>(status.dwWin32ExitCode));
  log(0, L"  Service Specific Exit Code: %d", static_cast<int>(status.dwServiceSpecificExitCode));
  log(0, L"  Check Point: %d", static_cast<int>(status.dwCheckPoint));
  log(0, L"  Wait Hint: %d", static_cast<int>(status.dwWaitHint));
}

bool exist(const wchar_t* name, const wchar_t* machine, const wchar_t* database) {
  servicemanager scm(SC_MANAGER_CONNECT, machine, database);
  ServiceHandle handle(OpenServiceW(scm.get(), name, SERVICE_QUERY_STATUS));
  if (handle) return true;
  const DWORD error = GetLastError();
  if (error == errorNoSuchService) return false;
  throwOsError(quoted(L"OpenService", name), error, site("service::exist", 236));
}

int queryStatusService(SERVICE_STATUS& status, const wchar_t* name, const wchar_t* machine,
                       const wchar_t* database) {
  servicemanager scm(SC_MANAGER_CONNECT, machine, database);
  ServiceHandle handle = openService(scm.get(), name, SERVICE_QUERY_STATUS, "service::queryStatusService", 529);
  try {
    if (!QueryServiceStatus(handle.get(), &status))
      throwOsError(quoted(L"QueryServiceStatus", name), GetLastError(), site("service::queryStatusService", 535));
  } catch (...) {
    dumpStatus(status);
    throw;
  }
  return 0;
}

DWORD serviceStartupType(const wchar_t* name, const wchar_t* machine, const wchar_t* database) {
  servicemanager scm(SC_MANAGER_CONNECT, machine, database);
  ServiceHandle handle = openService(scm.get(), name, SERVICE_QUERY_CONFIG, "service::serviceStartupType", 737);
  DWORD size = 260;
  for (;;) {
    LocalMemory buffer(LocalAlloc(LPTR, size));
    if (!buffer) throwOutOfMemory();
    auto* config = static_cast<QUERY_SERVICE_CONFIGW*>(buffer.get());
    DWORD needed = 0;
    if (QueryServiceConfigW(handle.get(), config, size, &needed)) return config->dwStartType;
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER)
      throwOsError(quoted(L"query service config", name), error, site("service::serviceStartupType", 750));
    size = needed;
  }
}

int effStatus(const wchar_t* name, const wchar_t* machine, const wchar_t* database) {
  SERVICE_STATUS status{};
  queryStatusService(status, name, machine, database);
  switch (status.dwCurrentState) {
    case SERVICE_START_PENDING:
    case SERVICE_RUNNING:
    case SERVICE_CONTINUE_PENDING:
      return 0;
    default:
      return serviceStartupType(name, machine, database) == SERVICE_DISABLED ? 2 : 1;
  }
}

DWORD startService(const wchar_t* name, const wchar_t* machine, const wchar_t* database) {
  servicemanager scm(SC_MANAGER_CONNECT, machine, database);
  ServiceHandle handle = openService(scm.get(), name, SERVICE_ALL_ACCESS, "service::startService", 138);
  SERVICE_STATUS status{};
  if (!QueryServiceStatus(handle.get(), &status))
    throwOsError(L"QueryServiceStatus fail for " + std::wstring(name), GetLastError(),
                 site("service::startService", 145));
  // A service in any other state is on its way already (or paused): it is not started twice.
  if (status.dwCurrentState == SERVICE_STOPPED && !StartServiceW(handle.get(), 0, nullptr))
    throwOsError(quoted(L"StartService", name), GetLastError(), site("service::startService", 156));
  if (!QueryServiceStatus(handle.get(), &status))
    throwOsError(quoted(L"QueryServiceStatus", name), GetLastError(), site("service::startService", 164));
  waitWhilePending(handle.get(), status, SERVICE_START_PENDING);
  if (status.dwCurrentState == SERVICE_RUNNING) return 0;
  const DWORD result = GetLastError();
  log(1, L"StartService '%s'", name);
  dumpStatus(status);
  return result;
}

namespace {

struct ControlStates {
  DWORD access;
  DWORD pending;
  DWORD target;
};

ControlStates statesOf(DWORD control) {
  switch (control) {
    case SERVICE_CONTROL_STOP: return {SERVICE_STOP, SERVICE_STOP_PENDING, SERVICE_STOPPED};
    case SERVICE_CONTROL_PAUSE: return {SERVICE_PAUSE_CONTINUE, SERVICE_PAUSE_PENDING, SERVICE_PAUSED};
    case SERVICE_CONTROL_CONTINUE: return {SERVICE_PAUSE_CONTINUE, SERVICE_CONTINUE_PENDING, SERVICE_RUNNING};
    default: return {SERVICE_INTERROGATE, 128, 128};
  }
}

}  // namespace

DWORD controlService(DWORD control, const wchar_t* name, const wchar_t* machine, const wchar_t* database) {
  const ControlStates states = statesOf(control);
  const bool stop = control == SERVICE_CONTROL_STOP;
  servicemanager scm(SC_MANAGER_CONNECT, machine, database);
  ServiceHandle handle(OpenServiceW(scm.get(), name, states.access | 0xF0004));
  if (!handle) {
    const DWORD error = GetLastError();
    if (stop && error == errorNoSuchService) return 0;
    throwOsError(quoted(L"OpenService", name), error, site("service::controlService", 382));
  }
  SERVICE_STATUS status{};
  try {
    const std::wstring queryText = L"QueryServiceStatus for " + std::wstring(name);
    if (!QueryServiceStatus(handle.get(), &status))
      throwOsError(queryText, GetLastError(), site("service::controlService", 389));
    const DWORD before = status.dwCurrentState;
    if (!ControlService(handle.get(), control, &status)) {
      const DWORD error = GetLastError();
      if (stop && error == errorServiceNotActive) return 0;
      throwOsError(L"ControlService(" + std::to_wstring(control) + L") '" + name + L"'", error,
                   site("service::controlService", 402));
    }
    for (int second = 0; second < maxStateChangeSeconds; ++second) {
      if (!QueryServiceStatus(handle.get(), &status))
        throwOsError(queryText, GetLastError(), site("service::controlService", 410));
      if (status.dwCurrentState != before) break;
      Sleep(1000);
    }
    SetLastError(errorTimeout);
    waitWhilePending(handle.get(), status, states.pending);
  } catch (...) {
    dumpStatus(status);
    throw;
  }
  if (status.dwCurrentState == states.target) return 0;
  const DWORD result = GetLastError();
  log(1, L"controlService fail");
  dumpStatus(status);
  return result;
}

void changeStartType(DWORD startType, const wchar_t* name, const wchar_t* machine, const wchar_t* database) {
  servicemanager scm(SC_MANAGER_CONNECT | SC_MANAGER_LOCK | SC_MANAGER_QUERY_LOCK_STATUS, machine, database);
  VSCMLock lock(scm.get());
  ServiceHandle handle = openService(scm.get(), name, 0x32, "service::changeStartType", 255);
  if (!ChangeServiceConfigW(handle.get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr, nullptr))
    throwOsError(quoted(L"ChangeServiceConfig", name), GetLastError(), site("service::changeStartType", 261));
}

}  // namespace service
