#include "platform/files_of_dir.h"

#include <windows.h>

#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/owner.h"

namespace {

bool isDotName(const wchar_t* name) { return std::wstring(L".") == name || std::wstring(L"..") == name; }

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void addMatches(std::list<std::wstring>& out, const std::wstring& directory, unsigned flags,
                const std::wstring& pattern) {
  const std::wstring base = withBackslash(directory);
  const std::wstring where = L"Enum files in directory " + directory;
  WIN32_FIND_DATAW data;
  const FindHandle find(FindFirstFileW((base + pattern).c_str(), &data));
  if (!find) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      // No match in an existing folder is an empty result; a missing folder is a failure.
      if (!exists(trimRight(directory, L"\\/"))) throwOsError(where, error, site("filesOfDir", 878));
      return;
    }
    if (error == ERROR_NO_DATA || error == ERROR_NO_MORE_FILES) return;
    throwOsError(where, error, site("filesOfDir", 880));
  }
  do {
    const bool isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    const bool wanted = isDirectory ? (flags & listDirectories) && !isDotName(data.cFileName) : (flags & listFiles);
    if (wanted) out.push_back(base + data.cFileName);
  } while (FindNextFileW(find.get(), &data));
  const DWORD error = GetLastError();
  if (error != ERROR_NO_DATA && error != ERROR_NO_MORE_FILES) throwOsError(where, error, site("filesOfDir", 893));
}

}  // namespace

void filesOfDir(std::list<std::wstring>& out, const std::wstring& directory, unsigned flags,
                const std::wstring& pattern) {
  if (flags & (listFiles | listDirectories)) addMatches(out, directory, flags, pattern);
  if (flags & listRecursive) {
    std::list<std::wstring> subdirectories;
    filesOfDir(subdirectories, directory, listDirectories, L"*.*");
    for (const std::wstring& subdirectory : subdirectories) filesOfDir(out, subdirectory, flags, pattern);
  }
}
