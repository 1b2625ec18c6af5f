#include "platform/registry.h"

#include <cstdlib>
#include <cwchar>
#include <memory>

#include "platform/exceptions.h"

namespace registry {
namespace {

bool isText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

[[noreturn]] void invalid(const char* what, const std::wstring& subKey, const std::wstring& name, std::uint32_t line) {
  throwRuntimeError(L"RegQueryValueEx invalid " + std::wstring(what, what + std::char_traits<char>::length(what)) +
                        L" of '" + subKey + L"\\" + name + L"'",
                    site("registry::lookup", line));
}

LONG setText(HKEY key, const std::wstring& name, const std::wstring& value) {
  return RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

LONG create(HKEY root, const std::wstring& subKey, HKEY* key, REGSAM access) {
  const LONG rc = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key, nullptr);
  if (rc != ERROR_SUCCESS) throwOsError(L"RegCreateKeyEx subKey=" + subKey, rc, site("registry::create", 50));
  return 0;
}

LONG open(HKEY root, const std::wstring& subKey, HKEY* key, REGSAM access) {
  const LONG rc = RegOpenKeyExW(root, subKey.c_str(), 0, access, key);
  if (rc != ERROR_SUCCESS) throwOsError(L"RegOpenKeyEx subKey=" + subKey, rc, site("registry::open", 57));
  return 0;
}

Key::Key(HKEY root, const std::wstring& subKey, REGSAM access, bool openOnly) {
  if (openOnly) open(root, subKey, key_.put(), access);
  else create(root, subKey, key_.put(), access);
}

LONG set(HKEY key, const std::wstring& name, std::uint32_t value) {
  const DWORD data = value;
  const LONG rc = RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
  if (rc != ERROR_SUCCESS) throwOsError(L"RegSetValueEx valueName=" + name, rc, site("registry::set", 176));
  return 0;
}

LONG set(HKEY key, const std::wstring& name, const std::wstring& value) {
  const LONG rc = setText(key, name, value);
  if (rc != ERROR_SUCCESS) throwOsError(L"RegSetValueEx valueName=" + name, rc, site("registry::set", 183));
  return 0;
}

LONG lookup(HKEY root, const std::wstring& subKey, const std::wstring& name, std::uint32_t& value) {
  RegKey key;
  LONG rc = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (rc != ERROR_SUCCESS) return rc;
  DWORD type = 0, size = sizeof(DWORD), data = 0;
  rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  key.reset();
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_DWORD) invalid("type", subKey, name, 269);
  if (size != sizeof(DWORD)) invalid("size", subKey, name, 271);
  value = data;
  return 0;
}

LONG lookup(HKEY root, const std::wstring& subKey, const std::wstring& name, std::wstring& value, DWORD type) {
  RegKey key;
  LONG rc = RegOpenKeyExW(root, subKey.c_str(), 0, KEY_QUERY_VALUE, key.put());
  if (rc != ERROR_SUCCESS) return rc;
  DWORD largest = 0;
  rc = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &largest,
                        nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD size = largest + 1;
  std::unique_ptr<BYTE, decltype(&std::free)> buffer(static_cast<BYTE*>(std::calloc(size + 1, 1)), &std::free);
  if (!buffer) throwOutOfMemory();
  DWORD read = 0;
  rc = RegQueryValueExW(key.get(), name.c_str(), nullptr, &read, buffer.get(), &size);
  key.reset();
  if (rc != ERROR_SUCCESS) return rc;
  if (read != type && !(isText(read) && isText(type))) invalid("type", subKey, name, 339);
  // The last wide character within the bytes read is replaced by the terminator, so a
  // text stored without its terminator loses its last character.
  const auto* text = reinterpret_cast<const wchar_t*>(buffer.get());
  const std::size_t characters = (size + 1) / 2;
  value.assign(text, wcsnlen(text, characters ? characters - 1 : 0));
  return 0;
}

std::wstring getstr(HKEY root, const std::wstring& subKey, const std::wstring& name, DWORD type) {
  std::wstring value;
  const LONG rc = lookup(root, subKey, name, value, type);
  if (rc != ERROR_SUCCESS) {
    throwOsError(L"lookup subKey=" + subKey + L" value=" + name + L" with type " + wchar_t(L'0' + type), rc,
                 site("registry::getstr", 441));
  }
  return value;
}

LONG write(HKEY root, const std::wstring& subKey, const std::wstring& name, const std::wstring& value) {
  RegKey key;
  const LONG rc = RegCreateKeyExW(root, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                                  key.put(), nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  return setText(key.get(), name, value);
}

}  // namespace registry
