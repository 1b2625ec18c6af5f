#pragma once
// Looking at and placing files under the stand-in's directories.

#include <windows.h>

#include <string>

#include "platform/owner.h"

inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string readFile(const std::wstring& path) {
  std::string bytes;
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[4096];
  DWORD done = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &done, nullptr) && done) bytes.append(buffer, done);
  return bytes;
}

inline bool writeFile(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD done = 0;
  return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
         done == bytes.size();
}
