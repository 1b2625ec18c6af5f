// A second process for the persistence tests: reads the stand-in's state from a server root
// and writes what it finds, one line per query, UTF-8, into a file.
//
//   standin_probe <server root> <output file> <query>...
//   queries: domains | accounts:<domain> | server:<property> | domain:<domain>:<property>
//            | account:<domain>:<account>:<property>
// A property is written as "<type> <value>" (type empty, bstr, i4, int, bool or vt<n>).

#include <windows.h>

#include <string>
#include <vector>

#include "dravocom/standin_control.h"
#include "platform/com_owners.h"
#include "platform/owner.h"
#include "platform/strings.h"
#include "standins/raw_dispatch.h"

namespace {

std::vector<std::wstring> split(const std::wstring& query) {
  std::vector<std::wstring> parts;
  for (size_t start = 0;;) {
    const size_t colon = query.find(L':', start);
    parts.push_back(query.substr(start, colon - start));
    if (colon == std::wstring::npos) return parts;
    start = colon + 1;
  }
}

std::wstring typed(const Variant& value) {
  switch (value.type()) {
    case VT_EMPTY: return L"empty";
    case VT_BSTR: return L"bstr " + textOf(value);
    case VT_I4: return L"i4 " + std::to_wstring(V_I4(value.get()));
    case VT_INT: return L"int " + std::to_wstring(V_INT(value.get()));
    case VT_BOOL: return L"bool " + std::to_wstring(V_BOOL(value.get()));
    default: return L"vt" + std::to_wstring(value.type());
  }
}

std::wstring answer(const Remote& api, const std::wstring& query) {
  const auto parts = split(query);
  if (parts[0] == L"domains") return api.text(L"GetDomainList");
  if (parts[0] == L"server" && parts.size() == 2) return typed(api.property(parts[1]));
  const Remote domain = parts.size() >= 2 ? api.child(L"OpenDomain", parts[1]) : Remote();
  if (!domain) return L"no domain";
  if (parts[0] == L"accounts") return domain.text(L"GetAccountList");
  if (parts[0] == L"domain" && parts.size() == 3) return typed(domain.property(parts[2]));
  const Remote account = parts.size() == 4 ? domain.child(L"OpenAccount", parts[2]) : Remote();
  if (!account) return L"no account";
  return typed(account.property(parts[3]));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  if (FAILED(CoInitialize(nullptr))) return 1;
  int status = 1;
  {
    const Remote api = Remote::createApi();
    const HMODULE standin = GetModuleHandleW(L"dravocom_standin.dll");
    const auto entry = standin ? reinterpret_cast<DravoStandinControl* (*)()>(
                                     reinterpret_cast<void*>(GetProcAddress(standin, "dravoStandinControl")))
                               : nullptr;
    if (api && entry) {
      entry()->setRoot(argv[1]);
      std::wstring output;
      for (int i = 3; i < argc; ++i) output += answer(api, argv[i]) + L"\n";
      const std::string bytes = toNarrow(output, CP_UTF8);
      FileHandle file(CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
      DWORD done = 0;
      if (file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr)) status = 0;
    }
  }
  CoUninitialize();
  return status;
}
