#include "commands/arguments.h"

#include <climits>

#include "framework/usage_error.h"

namespace mailmgr {

int parseInteger(std::wstring_view text, std::wstring_view what) {
  const auto bad = [&] {
    return UsageError{L"invalid " + std::wstring(what) + L" '" + std::wstring(text) + L"': expected a whole number"};
  };
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == L'-';
  if (negative) ++at;
  if (at == text.size()) throw bad();
  long long value = 0;
  for (; at < text.size(); ++at) {
    if (text[at] < L'0' || text[at] > L'9') throw bad();
    value = value * 10 + (text[at] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) {
      throw UsageError{L"invalid " + std::wstring(what) + L" '" + std::wstring(text) + L"': out of range"};
    }
  }
  if (negative) value = -value;
  if (value > INT_MAX) throw UsageError{L"invalid " + std::wstring(what) + L" '" + std::wstring(text) + L"': out of range"};
  return static_cast<int>(value);
}

MailAddress parseAddress(std::wstring_view text) {
  const std::size_t at = text.find(L'@');
  if (at == std::wstring_view::npos || at == 0 || at + 1 == text.size() ||
      text.find(L'@', at + 1) != std::wstring_view::npos) {
    throw UsageError{L"invalid mail address '" + std::wstring(text) + L"': expected NAME@DOMAIN"};
  }
  return {std::wstring(text.substr(0, at)), std::wstring(text.substr(at + 1))};
}

}  // namespace mailmgr
