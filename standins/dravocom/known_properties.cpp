#include "known_properties.h"

bool isPropertyOf(ObjectKind kind, const std::wstring& name) {
  const auto prefixed = [&](const wchar_t* prefix) { return name.size() > 2 && name.compare(0, 2, prefix) == 0; };
  switch (kind) {
    case ObjectKind::api: return prefixed(L"C_");
    case ObjectKind::domain: return prefixed(L"D_");
    default: return prefixed(L"U_") || prefixed(L"M_");
  }
}

bool isTextOnlyProperty(const std::wstring& name) {
  return name == L"U_Name" || name == L"C_ConfigPath" || name == L"C_MailPath" || name == L"C_LogPath";
}
