// Self-registration: the classes and their ProgIDs under HKLM\Software\Classes.

#include <windows.h>
#include <olectl.h>

#include <string>

#include "identity.h"
#include "in_process_server.h"
#include "platform/owner.h"

namespace {

const std::wstring classes = L"Software\\Classes\\";

struct Registered {
  const wchar_t* classIdText;
  const wchar_t* progId;
  const wchar_t* description;
  std::wstring classKey() const { return classes + L"CLSID\\" + classIdText; }
  std::wstring progIdKey() const { return classes + progId; }
};

const Registered registered[] = {{messageClassIdText, messageProgId, L"Message (stand-in)"},
                                 {streamClassIdText, streamProgId, L"Text stream (stand-in)"}};

LONG setText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  RegKey opened;
  const LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                      opened.put(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExW(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

STDAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(thisModule(), path, MAX_PATH);
  if (length == 0 || length == MAX_PATH) return SELFREG_E_CLASS;
  for (const Registered& entry : registered) {
    const std::wstring classKey = entry.classKey(), progIdKey = entry.progIdKey();
    for (LONG status : {
             setText(classKey, nullptr, entry.description),
             setText(classKey + L"\\InprocServer32", nullptr, std::wstring(path, length)),
             setText(classKey + L"\\InprocServer32", L"ThreadingModel", L"Both"),
             setText(classKey + L"\\ProgID", nullptr, entry.progId),
             setText(progIdKey, nullptr, entry.description),
             setText(progIdKey + L"\\CLSID", nullptr, entry.classIdText),
         }) {
      if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}

STDAPI DllUnregisterServer() {
  for (const Registered& entry : registered) {
    for (const std::wstring& key : {entry.classKey(), entry.progIdKey()}) {
      const LONG status = RegDeleteTreeW(HKEY_LOCAL_MACHINE, key.c_str());
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);
    }
  }
  return S_OK;
}
