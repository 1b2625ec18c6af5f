#pragma once
// Makes HKEY_LOCAL_MACHINE of this process stand for the key at `path` (made if missing).

#include <windows.h>

#include <string>

inline bool overrideMachineKey(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0) {
    return false;
  }
  const bool done = RegOverridePredefKey(HKEY_LOCAL_MACHINE, key) == ERROR_SUCCESS;
  RegCloseKey(key);
  return done;
}
