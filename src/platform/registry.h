#pragma once
// A thin layer over the registry: which failures raise, which only return a code, the
// value types accepted and the words of the errors.

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/owner.h"

namespace registry {

LONG create(HKEY root, const std::wstring& subKey, HKEY* key, REGSAM access);
LONG open(HKEY root, const std::wstring& subKey, HKEY* key, REGSAM access);

// Owns one open key; opens it (openOnly) or creates it.
class Key {
 public:
  Key(HKEY root, const std::wstring& subKey, REGSAM access, bool openOnly);
  HKEY get() const { return key_.get(); }
  void close() { key_.reset(); }

 private:
  RegKey key_;
};

LONG set(HKEY key, const std::wstring& name, std::uint32_t value);
LONG set(HKEY key, const std::wstring& name, const std::wstring& value);

// Return the system code (0 when found); raise only for a value of the wrong type or size.
LONG lookup(HKEY root, const std::wstring& subKey, const std::wstring& name, std::uint32_t& value);
LONG lookup(HKEY root, const std::wstring& subKey, const std::wstring& name, std::wstring& value, DWORD type);

std::wstring getstr(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type);
LONG write(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& value);

}  // namespace registry
