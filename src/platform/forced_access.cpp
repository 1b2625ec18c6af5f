#include "platform/forced_access.h"

#include <windows.h>

#include "platform/access_list.h"
#include "platform/file_security.h"
#include "platform/vsid.h"

void clearReadOnly(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
}

void forceDeleteAccess(const std::wstring& path) {
  AccessList list;
  list.add(VSID::currentUser(), DELETE | FILE_WRITE_ATTRIBUTES, false);
  grantAccess(path, list);
  clearReadOnly(path);
}
