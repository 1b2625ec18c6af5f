#include "platform/file_finder.h"

#include <cstring>

#include "platform/exceptions.h"

DWORD VFileFinder::tryFirst(const std::wstring& pattern) {
  handle_.reset();
  handle_.reset(FindFirstFileW(pattern.c_str(), &data_));
  if (handle_) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  clear();
  return error;
}

DWORD VFileFinder::tryNext() {
  if (!handle_) return ERROR_NO_MORE_FILES;
  if (FindNextFileW(handle_.get(), &data_)) return ERROR_SUCCESS;
  const DWORD error = GetLastError();
  clear();
  return error;
}

bool VFileFinder::first(const std::wstring& pattern) {
  const DWORD error = tryFirst(pattern);
  if (error == ERROR_SUCCESS) return true;
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
  throwOsError((L"FindFirstFile(" + pattern + L")").c_str(), error, site("VFileFinder::first", 162));
}

bool VFileFinder::next() {
  if (!handle_) return false;
  const DWORD error = tryNext();
  if (error == ERROR_SUCCESS) return true;
  if (error != ERROR_NO_MORE_FILES) throwOsError(L"FindNextFile", error, site("VFileFinder::next", 172));
  return false;
}

void VFileFinder::close() {
  if (handle_ && !FindClose(handle_.release())) {
    const DWORD error = GetLastError();
    clear();
    throwOsError(L"FindClose", error, site("VFileFinder::close", 181));
  }
  clear();
}

bool VFileFinder::isDotEntry() const {
  return std::wcscmp(data_.cFileName, L".") == 0 || std::wcscmp(data_.cFileName, L"..") == 0;
}

void VFileFinder::clear() { std::memset(&data_, 0, sizeof data_); }
