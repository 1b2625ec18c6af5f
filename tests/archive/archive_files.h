#pragma once
// Whole files of any size for the archive tests, written and read with plain system calls.

#include <windows.h>

#include <random>
#include <string>

inline void makeParentDirs(const std::wstring& path) {
  for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
}

inline void writeBytes(const std::wstring& path, const std::string& bytes) {
  makeParentDirs(path);
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

// The whole file, or "<missing>".
inline std::string readBytes(const std::wstring& path) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  LARGE_INTEGER size{};
  GetFileSizeEx(h, &size);
  std::string out(static_cast<std::size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!out.empty()) ReadFile(h, out.data(), static_cast<DWORD>(out.size()), &read, nullptr);
  CloseHandle(h);
  out.resize(read);
  return out;
}

// Bytes of every value, zeros and line ends included.
inline std::string randomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(random() & 0xFF);
  return out;
}
