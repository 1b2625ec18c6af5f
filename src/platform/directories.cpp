#include "platform/directories.h"

#include <vector>

#include "platform/exceptions.h"
#include "platform/file_finder.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/forced_access.h"

namespace {

struct Entries {
  std::vector<std::wstring> files;
  std::vector<std::wstring> directories;
};

// Lists the folder's entries as full paths; returns the error of a failed first find, or 0.
DWORD listEntries(const std::wstring& path, Entries& entries) {
  const std::wstring base = withBackslash(path);
  VFileFinder finder;
  DWORD error = finder.tryFirst(base + L"*.*");
  if (error != ERROR_SUCCESS) return error;
  for (; error == ERROR_SUCCESS; error = finder.tryNext()) {
    const std::wstring name = finder.name();
    if (!finder.isDirectory())
      entries.files.push_back(base + name);
    else if (std::wstring(L"..").find(name) == std::wstring::npos)  // "." and ".." are no subfolders
      entries.directories.push_back(base + name);
  }
  return ERROR_SUCCESS;
}

}  // namespace

void makeDir(const std::wstring& path, SECURITY_ATTRIBUTES* attributes) {
  if (!CreateDirectoryW(path.c_str(), attributes)) {
    throwOsError(L"Create the directory '" + path + L"'", GetLastError(), site("makeDir", 57));
  }
}

void makeDirs(const std::wstring& path, SECURITY_ATTRIBUTES* attributes) {
  // "a\b\" names the folder "a\b": made once, not twice.
  const std::wstring trimmed = trimRight(path, L"\\/");
  if (!trimmed.empty() && trimmed != path && trimmed.back() != L':') return makeDirs(trimmed, attributes);
  if (!path.empty() && pathExists(path)) return;
  // A root or a single relative name has no parent to climb to.
  const std::wstring parent = parentDir(path);
  if (!parent.empty() && parent != path) makeDirs(parent, attributes);
  makeDir(path, attributes);
}

void removeDir(const std::wstring& path, bool force) {
  Entries entries;
  const DWORD listError = listEntries(path, entries);
  if (listError != ERROR_SUCCESS && force && listError != ERROR_NO_DATA && listError != ERROR_NO_MORE_FILES) {
    forceDeleteAccess(path);
    listEntries(path, entries);
  }

  for (const std::wstring& file : entries.files) {
    if (DeleteFileW(file.c_str())) continue;
    const DWORD error = GetLastError();
    if (!force) throwOsError(L"delete file " + file, error, site("removeDir", 186));
    forceDeleteAccess(file);
    if (!DeleteFileW(file.c_str())) throwOsError(L"delete file " + file, GetLastError(), site("removeDir", 186));
  }
  for (const std::wstring& directory : entries.directories) removeDir(directory, force);

  clearReadOnly(path);
  if (RemoveDirectoryW(path.c_str())) return;
  const DWORD error = GetLastError();
  if (!force) throwOsError(L"delete directory " + path, error, site("removeDir", 200));
  forceDeleteAccess(path);
  if (!RemoveDirectoryW(path.c_str())) {
    throwOsError(L"delete directory " + path, GetLastError(), site("removeDir", 200));
  }
}
