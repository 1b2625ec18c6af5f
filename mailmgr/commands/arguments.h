#pragma once
// Values of command arguments: whole numbers and mail addresses. Bad values raise
// UsageError naming the argument.

#include <string>
#include <string_view>

namespace mailmgr {

int parseInteger(std::wstring_view text, std::wstring_view what);

struct MailAddress {
  std::wstring name;
  std::wstring domain;
};
// "info@example.com": exactly one "@" with text on both sides.
MailAddress parseAddress(std::wstring_view text);

}  // namespace mailmgr
