#pragma once
// A small layer over the Windows service control manager for the mail server's services.
// Every function opens the manager and the service for the one call and closes both again.
// The machine and database arguments go to OpenSCManagerW unchanged (null: this machine,
// the active database).

#include <windows.h>

#include "platform/owner.h"

class servicemanager {
 public:
  servicemanager(DWORD access, const wchar_t* machine, const wchar_t* database);
  SC_HANDLE get() const { return handle_.get(); }

 private:
  ServiceHandle handle_;
};

// Holds the service database lock when it could be taken; a database locked by someone
// else is logged and tolerated, so `held()` may be false.
class VSCMLock {
 public:
  explicit VSCMLock(SC_HANDLE scm);
  bool held() const { return static_cast<bool>(lock_); }

 private:
  void GetLockInfo(SC_HANDLE scm);
  ServiceLock lock_;
};

namespace service {

bool exist(const wchar_t* name, const wchar_t* machine, const wchar_t* database);
int queryStatusService(SERVICE_STATUS& status, const wchar_t* name, const wchar_t* machine,
                       const wchar_t* database);
DWORD serviceStartupType(const wchar_t* name, const wchar_t* machine, const wchar_t* database);
// 0: running or about to run; 1: not running; 2: not running and disabled.
int effStatus(const wchar_t* name, const wchar_t* machine, const wchar_t* database);
// 0 when the service runs at the end, else the system error code that ended the wait.
DWORD startService(const wchar_t* name, const wchar_t* machine, const wchar_t* database);
// 0 when the service reached the control's target state, else the system error code.
DWORD controlService(DWORD control, const wchar_t* name, const wchar_t* machine, const wchar_t* database);
void changeStartType(DWORD startType, const wchar_t* name, const wchar_t* machine, const wchar_t* database);

// The status record as seven log lines at level 0.
void dumpStatus(const SERVICE_STATUS& status);

// Time between two status queries while a service is pending: a tenth of its wait hint,
// kept between one and ten seconds.
DWORD pollInterval(DWORD waitHint);
// How long a pending service may go without advancing its check point.
inline constexpr DWORD stallAllowance(DWORD waitHint) { return waitHint + 120000; }

}  // namespace service
