#include "platform/privilege.h"

#include <windows.h>

#include "platform/caller_token.h"
#include "platform/exceptions.h"

void setPrivilege(const wchar_t* name, bool enable) {
  const KernelHandle token = openCallerToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, true, "setPrivilege", 746, 748);
  TOKEN_PRIVILEGES privileges = {};
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
    throwOsError(L"LookupPrivilegeValue", GetLastError(), site("setPrivilege", 752));
  }
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
  // The call succeeds even when the token lacks the privilege; only the last error tells.
  SetLastError(ERROR_SUCCESS);
  const BOOL adjusted = AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  const DWORD error = GetLastError();
  if (!adjusted || error != ERROR_SUCCESS) throwOsError(L"AdjustTokenPrivileges", error, site("setPrivilege", 762));
}
