#pragma once
// Makes HKEY_LOCAL_MACHINE of this process stand for the key at `path` (made if missing).

#include <windows.h>

#include <string>

inline bool overrideMachineKey(const std::wstring& path) {
  HKEY key = nullptr;
  const bool done = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr) == 0 && RegOverridePredefKey(HKEY_LOCAL_MACHINE, key) == 0;
  RegCloseKey(key);
  return done;
}
