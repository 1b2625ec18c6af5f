#include "platform/exceptions.h"

#include "platform/com_error.h"
#include "platform/format.h"
#include "platform/system_message.h"
#include "platform/strings.h"

vexception::vexception(std::wstring message) : message_(std::move(message)) {}

vexception::vexception(std::wstring message, CallSite site) : message_(std::move(message)) {
  trace_.push_back(std::move(site));
}

vexception::vexception(const ComError& error, const std::wstring& where, const char* function, std::uint32_t line) {
  message_ = error.text() + L" at " + where;
  trace_.push_back(site(function, line));
}

vexception& vexception::addSite(CallSite site) {
  trace_.push_back(std::move(site));
  return *this;
}

vosexception::vosexception(std::uint32_t code, const wchar_t* where, CallSite site)
    : vexception(osErrorText(code, where), std::move(site)), code_(code) {}

std::wstring osErrorText(std::uint32_t code, const wchar_t* where) {
  std::wstring text = format(L"Error %d", static_cast<int>(code));
  if (where) text += std::wstring(L" at ") + where;
  text += L": ";
  const std::wstring system = systemMessage(code);
  if (system.empty()) return text + L"Unknown error";
  text += system;
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

void throwOsError(const wchar_t* where, std::uint32_t code, CallSite site) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: throw VFileNotFoundException(code, where, std::move(site));
    case ERROR_PATH_NOT_FOUND: throw VPathNotFoundException(code, where, std::move(site));
    case ERROR_ACCESS_DENIED: throw VAccessDeniedException(code, where, std::move(site));
    case ERROR_OUTOFMEMORY: throw VOutOfMemoryException(code, where, std::move(site));
    case ERROR_SHARING_VIOLATION: throw VSharingViolationException(code, where, std::move(site));
    case ERROR_HANDLE_EOF: throw VEOFException(code, where, std::move(site));
    case ERROR_FILE_EXISTS: throw VFileExistsException(code, where, std::move(site));
    case ERROR_INSUFFICIENT_BUFFER: throw VInsufficientBufferException(code, where, std::move(site));
    case ERROR_ALREADY_EXISTS: throw VAlreadyExistsException(code, where, std::move(site));
    case ERROR_SERVICE_DOES_NOT_EXIST: throw VServiceDoesNotExistException(code, where, std::move(site));
    case 2245 /* NERR_PasswordTooShort */: throw VPasswordTooShortException(code, where, std::move(site));
    default: throw vosexception(code, where, std::move(site));
  }
}

void throwOutOfMemory() { throw vexception(osErrorText(ERROR_OUTOFMEMORY, nullptr)); }

void throwRuntimeError(const std::wstring& text, CallSite site) {
  throw vexception(L"Run-Time error: " + text, std::move(site));
}

std::wstring fullText(const vexception& error) {
  std::wstring text = error.message();
  for (const CallSite& s : error.trace()) {
    text += L"\n   at " + s.source + L"(" + toWide(s.function, CP_ACP) + L" line " + std::to_wstring(s.line) + L")";
  }
  return text;
}
