#include "platform/file_name.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

#include "platform/exceptions.h"

namespace {
const std::wstring separators = L"\\/";
}

std::wstring withBackslash(const std::wstring& path) {
  if (!path.empty() && path.back() == L'\\') return path;
  return path + L'\\';
}

std::wstring trimRight(const std::wstring& text, const std::wstring& set) {
  const std::size_t last = text.find_last_not_of(set);
  return last == std::wstring::npos ? std::wstring() : text.substr(0, last + 1);
}

std::wstring trimLeft(const std::wstring& text, const std::wstring& set) {
  const std::size_t first = text.find_first_not_of(set);
  return first == std::wstring::npos ? std::wstring() : text.substr(first);
}

std::wstring fileNamePart(const std::wstring& path) { return PathFindFileNameW(path.c_str()); }

std::wstring parentDir(const std::wstring& path) {
  std::vector<wchar_t> buffer(path.begin(), path.end());
  buffer.push_back(L'\0');
  PathRemoveFileSpecW(buffer.data());
  return buffer.data();
}

std::wstring VFileName::combine(const std::wstring& dir, const std::wstring& fileName) {
  wchar_t buffer[MAX_PATH] = {};
  if (!PathCombineW(buffer, trimRight(dir, separators).c_str(), trimLeft(fileName, separators).c_str())) {
    throwRuntimeError(L"PathCombine failed for dir " + dir + L" and fileName " + fileName,
                      site("VFileName::combine", 97));
  }
  return buffer;
}
