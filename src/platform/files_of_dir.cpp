#include "platform/files_of_dir.h"

#include <windows.h>

#include "platform/exceptions.h"
#include "platform/file_finder.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"

namespace {

void addMatches(std::list<std::wstring>& out, const std::wstring& directory, unsigned flags,
                const std::wstring& pattern) {
  const std::wstring base = withBackslash(directory);
  const std::wstring where = L"Enum files in directory " + directory;
  VFileFinder finder;
  DWORD error = finder.tryFirst(base + pattern);
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
    // No match in an existing folder is an empty result; a missing folder is a failure.
    if (!pathExists(trimRight(directory, L"\\/"))) throwOsError(where, error, site("filesOfDir", 878));
    return;
  }
  if (error == ERROR_NO_DATA || error == ERROR_NO_MORE_FILES) return;
  if (error != ERROR_SUCCESS) throwOsError(where, error, site("filesOfDir", 880));
  for (; error == ERROR_SUCCESS; error = finder.tryNext()) {
    const bool wanted = finder.isDirectory() ? (flags & listDirectories) && !finder.isDotEntry() : (flags & listFiles);
    if (wanted) out.push_back(base + finder.name());
  }
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
