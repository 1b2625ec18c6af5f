#include "platform/com_error.h"

#include <oleauto.h>

#include "platform/com_owners.h"
#include "platform/format.h"
#include "platform/system_message.h"

std::wstring ComError::errorMessage() const {
  std::wstring text = systemMessage(static_cast<DWORD>(hr_));
  if (!text.empty()) {
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0) text.resize(text.size() - 2);
    else if (text.back() == L'\n') text.pop_back();
    return text;
  }
  const auto code = static_cast<unsigned long>(hr_);
  if (code > 0x80040200UL && code <= 0x8004FFFFUL) return format(L"IDispatch error #%d", static_cast<int>(LOWORD(code) - 0x200));
  return format(L"Unknown error 0x%0lX", code);
}

std::wstring ComError::text() const {
  std::wstring text = format(L"COM Error %08X (", static_cast<unsigned>(hr_)) + errorMessage();
  if (!description_.empty()) text += L", " + description_;
  return text + L")";
}

void throwComError(HRESULT hr) {
  std::wstring description;
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.put()) == S_OK && info) {
    Bstr text;
    if (SUCCEEDED(info->GetDescription(text.put()))) description = text.str();
  }
  throw ComError(hr, std::move(description));
}
