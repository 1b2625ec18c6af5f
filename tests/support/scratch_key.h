#pragma once
// A registry key under HKEY_LOCAL_MACHINE that a test owns and that is deleted with it.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

class ScratchKey {
 public:
  explicit ScratchKey(const std::wstring& path) : path_(path) { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str()); }
  ~ScratchKey() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, path_.c_str()); }
  const std::wstring& path() const { return path_; }

  void setRaw(const std::wstring& name, DWORD type, const void* data, DWORD size) const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
  }
  void setText(const std::wstring& name, const std::wstring& text, DWORD type = REG_SZ) const {
    setRaw(name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }
  void setNumber(const std::wstring& name, DWORD value) const { setRaw(name, REG_DWORD, &value, sizeof value); }
  void create() const { setText(L"", L""); }

 private:
  std::wstring path_;
};

// For the life of the object HKEY_LOCAL_MACHINE of this process stands for a key of its
// own, so that what a test writes there (the mail server's version, say) is seen by no
// test running beside it. Create it before any ScratchKey that it should hold.
class PrivateMachineKey {
 public:
  PrivateMachineKey() : own_(L"SOFTWARE\\DravoTests\\" + std::to_wstring(GetCurrentProcessId())) {
    own_.create();
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, own_.path().c_str(), 0, KEY_ALL_ACCESS, &key) == 0) {
      overridden_ = RegOverridePredefKey(HKEY_LOCAL_MACHINE, key) == 0;
      RegCloseKey(key);
    }
    EXPECT_TRUE(overridden_) << "HKEY_LOCAL_MACHINE not redirected";
  }
  ~PrivateMachineKey() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); }
  PrivateMachineKey(const PrivateMachineKey&) = delete;
  PrivateMachineKey& operator=(const PrivateMachineKey&) = delete;

 private:
  ScratchKey own_;
  bool overridden_ = false;
};
