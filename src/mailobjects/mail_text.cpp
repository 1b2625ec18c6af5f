#include "mailobjects/mail_text.h"

namespace Dravo {

std::wstring normalizeLineEnds(const std::wstring& text) {
  std::wstring result;
  result.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) result += L'\r';
    result += text[i];
  }
  return result;
}

std::wstring displayForm(const std::wstring& name, const std::wstring& address) {
  return L"\"" + name + L"\" <" + address + L">";
}

std::wstring substitutePlaceholders(const std::wstring& text, const std::map<std::wstring, std::wstring>& values) {
  std::wstring result = text;
  size_t open = result.find(L'<');
  while (open != std::wstring::npos) {
    const size_t close = result.find(L'>', open + 1);
    if (close == std::wstring::npos) break;
    const auto found = values.find(result.substr(open + 1, close - open - 1));
    if (found != values.end()) {
      result.replace(open, close - open + 1, found->second);
      open = result.find(L'<', open + found->second.size());
    } else {
      open = result.find(L'<', open + 1);
    }
  }
  return result;
}

}  // namespace Dravo
