// Self-registration: the class and its ProgID under HKLM\Software\Classes, and the mail
// server's own registry values that the module and the stand-in read.

#include <windows.h>
#include <olectl.h>

#include <string>

#include "identity.h"
#include "in_process_server.h"
#include "platform/owner.h"

namespace {

const std::wstring classes = L"Software\\Classes\\";
const std::wstring classKey = classes + L"CLSID\\" + apiObjectClassIdText;
const std::wstring progIdKey = classes + apiObjectProgId;
constexpr wchar_t description[] = L"DravoCOM APIObject (stand-in)";

LONG setText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  RegKey opened;
  LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(),
                                nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExW(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool hasValue(const std::wstring& key, const wchar_t* name) {
  return RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring environment(const wchar_t* name, const wchar_t* fallback) {
  wchar_t value[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(value, length) : fallback;
}

}  // namespace

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(thisModule(), path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return SELFREG_E_CLASS;
  const std::wstring root = environment(rootVariable, defaultServerRoot);
  for (LONG status : {
           setText(classKey, nullptr, description),
           setText(classKey + L"\\InprocServer32", nullptr, std::wstring(path, length)),
           setText(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
           setText(classKey + L"\\ProgID", nullptr, apiObjectProgId),
           setText(progIdKey, nullptr, description),
           setText(progIdKey + L"\\CLSID", nullptr, apiObjectClassIdText),
           setText(mailServerKey, L"Version", environment(versionVariable, defaultVersion)),
           hasValue(mailServerKey, serverRootValue) ? ERROR_SUCCESS : setText(mailServerKey, serverRootValue, root),
       }) {
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}

// Takes away what makes the class known to COM; the mail server's values stay, as its data does.
STDAPI DllUnregisterServer() {
  for (const std::wstring& key : {classKey, progIdKey}) {
    const LONG status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
  }
  return S_OK;
}
