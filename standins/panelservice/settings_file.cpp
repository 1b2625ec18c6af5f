#include <fstream>
#include <sstream>

#include "panel_service.h"

namespace panelservice {

namespace {

std::wstring fromUtf8(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

}  // namespace

Settings loadSettings(const std::wstring& fileName) {
  Settings settings;
  std::ifstream file(fileName.c_str());
  std::string raw;
  while (std::getline(file, raw)) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    if (raw.empty() || raw[0] == '#') continue;
    const std::wstring line = fromUtf8(raw);
    const auto equals = line.find(L'=');
    if (equals == std::wstring::npos) continue;
    std::wstring name = line.substr(0, equals);
    const std::wstring value = line.substr(equals + 1);
    const std::wstring componentPrefix = L"component ";
    if (name.rfind(componentPrefix, 0) == 0) {
      const auto bar = value.find(L'|');
      settings.components[name.substr(componentPrefix.size())] =
          Component{value.substr(0, bar), bar == std::wstring::npos ? L"" : value.substr(bar + 1)};
    } else {
      settings.values[name] = value;
    }
  }
  return settings;
}

}  // namespace panelservice
