#include "platform/file_security.h"

#include "platform/exceptions.h"
#include "platform/format.h"

void getFileSecurityInfo(const std::wstring& path, SECURITY_INFORMATION what, PSID* owner, PSID* group, PACL* dacl,
                         PACL* sacl, LocalMemory& descriptor) {
  PSECURITY_DESCRIPTOR made = nullptr;
  const DWORD rc = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, what, owner, group, dacl, sacl, &made);
  descriptor.reset(made);
  if (rc != ERROR_SUCCESS) {
    throwOsError(format(L"GetNamedSecurityInfo(%s)", path.c_str()), rc, site("getFileSecurityInfo", 349));
  }
}

void setFileAccess(const std::wstring& path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor) {
  if (!SetFileSecurityW(path.c_str(), what, descriptor)) {
    throwOsError(format(L"SetFileSecurity(%s)", path.c_str()), GetLastError(), site("setFileAccess", 362));
  }
}

void SecurityDescriptor::mergeDacl(PSECURITY_DESCRIPTOR oldDescriptor, ULONG count, EXPLICIT_ACCESSW* entries,
                                   LocalMemory& newDescriptor) {
  ULONG size = 0;
  PSECURITY_DESCRIPTOR made = nullptr;
  const DWORD rc = BuildSecurityDescriptorW(nullptr, nullptr, count, entries, 0, nullptr, oldDescriptor, &size, &made);
  newDescriptor.reset(made);
  if (rc != ERROR_SUCCESS) throwOsError(L"BuildSecurityDescriptor", rc, site("SecurityDescriptor::mergeDacl", 386));
}

void grantAccess(const std::wstring& path, const AccessList& list) {
  ULONG count = 0;
  PSID owner = nullptr, group = nullptr;
  const auto entries = list.toArray(count, owner, group);
  LocalMemory current, merged;
  PACL dacl = nullptr;
  getFileSecurityInfo(path, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, current);
  SecurityDescriptor::mergeDacl(current.get(), count, entries.get(), merged);
  setFileAccess(path, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, merged.get());
}
