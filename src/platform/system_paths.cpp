#include "platform/system_paths.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/exceptions.h"

std::wstring moduleName(HMODULE module) {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH + 1);
  if (length == 0) throwOsError(L"GetModuleFileName", GetLastError(), site("moduleName", 182));
  return std::wstring(buffer, length);
}

std::wstring tempPath() {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) throwOsError(L"GetTempPath", GetLastError(), site("tempPath", 165));
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length + 1);  // the reported length is what the path needs
  }
}

std::wstring tempFileName(const std::wstring& prefix, const std::wstring& dir) {
  wchar_t buffer[MAX_PATH] = {};
  if (!GetTempFileNameW(dir.c_str(), prefix.c_str(), 0, buffer)) {
    throwOsError(L"GetTempFileName in " + dir, GetLastError(), site("tempFileName", 174));
  }
  return buffer;
}

std::wstring VDirectory::current() {
  for (;;) {
    const DWORD length = GetCurrentDirectoryW(0, nullptr);
    if (length == 0) throwOsError(L"get current directory", GetLastError(), site("VDirectory::current", 45));
    std::unique_ptr<wchar_t, decltype(&std::free)> buffer(
        static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t))), &std::free);
    if (!buffer) throwOutOfMemory();
    const DWORD read = GetCurrentDirectoryW(length + 1, buffer.get());
    if (read == 0) throwOsError(L"get current directory", GetLastError(), site("VDirectory::current", 45));
    if (read <= length) return std::wstring(buffer.get(), read);
    // another thread changed to a longer directory in between: ask again
  }
}
