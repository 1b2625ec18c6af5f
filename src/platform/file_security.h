#pragma once
// Reading, merging and writing the security of files and folders.

#include <windows.h>
#include <aclapi.h>

#include <string>

#include "platform/access_list.h"
#include "platform/owner.h"

// Reads the parts named by `what`; the part pointers point into `descriptor`. Any of
// them may be null when not wanted.
void getFileSecurityInfo(const std::wstring& path, SECURITY_INFORMATION what, PSID* owner, PSID* group, PACL* dacl,
                         PACL* sacl, LocalMemory& descriptor);
void setFileAccess(const std::wstring& path, SECURITY_INFORMATION what, PSECURITY_DESCRIPTOR descriptor);

class SecurityDescriptor {
 public:
  // A new self-relative descriptor: the old one with `entries` merged into its DACL.
  static void mergeDacl(PSECURITY_DESCRIPTOR oldDescriptor, ULONG count, EXPLICIT_ACCESSW* entries,
                        LocalMemory& newDescriptor);
};

// Merges the list's access entries into the object's DACL, keeping what it inherits.
void grantAccess(const std::wstring& path, const AccessList& list);
