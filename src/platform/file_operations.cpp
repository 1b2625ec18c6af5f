#include "platform/file_operations.h"

#include <windows.h>

#include "platform/exceptions.h"
#include "platform/forced_access.h"
#include "platform/owner.h"

void copyFile(const std::wstring& source, const std::wstring& target, bool failIfExists) {
  if (!CopyFileW(source.c_str(), target.c_str(), failIfExists)) {
    throwOsError(L"copy file " + source + L" to " + target, GetLastError(), site("copyFile", 116));
  }
}

void renameFile(const std::wstring& source, const std::wstring& target) {
  if (!MoveFileW(source.c_str(), target.c_str())) {
    throwOsError(L"rename file " + source + L" to " + target, GetLastError(), site("renameFile", 111));
  }
}

void removeFile(const std::wstring& path, bool force) {
  if (DeleteFileW(path.c_str())) return;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return;
  const std::wstring where = L"DeleteFile '" + path + L"'";
  if (!force) throwOsError(where, error, site("removeFile", 512));
  forceDeleteAccess(path);
  if (!DeleteFileW(path.c_str())) throwOsError(where, GetLastError(), site("removeFile", 516));
}

std::uint64_t fileSize(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  const FindHandle find(FindFirstFileW(path.c_str(), &data));
  if (!find) throwOsError(L"Get file size for file " + path, GetLastError(), site("fileSize", 149));
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool pathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
