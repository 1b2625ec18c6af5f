#pragma once
// Paths the system knows: loaded modules, the current and the temporary directory, and
// new unique temporary files.

#include <windows.h>

#include <string>

// Full path of a loaded module; a null module is the process's executable.
std::wstring moduleName(HMODULE module);
std::wstring tempPath();
// Creates a new empty file with a unique name in `dir` and returns its path.
std::wstring tempFileName(const std::wstring& prefix, const std::wstring& dir);

class VDirectory {
 public:
  static std::wstring current();
};
