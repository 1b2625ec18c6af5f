#pragma once
// The module's failures: one small hierarchy of copyable exception values that carry a
// finished message and the list of places that raised or passed them on.

#include <windows.h>

#include <cstdint>
#include <list>
#include <string>

struct CallSite {
  std::wstring source;    // context text of a wrapping handler; empty at a plain raise site
  std::string function;   // qualified name of the raising function
  std::uint32_t line = 0;
};

inline CallSite site(const char* function, std::uint32_t line) { return CallSite{{}, function, line}; }

class ComError;

class vexception {
 public:
  explicit vexception(std::wstring message);
  vexception(std::wstring message, CallSite site);
  vexception(const ComError& error, const std::wstring& where, const char* function, std::uint32_t line);

  const std::wstring& message() const { return message_; }
  const std::list<CallSite>& trace() const { return trace_; }
  vexception& addSite(CallSite site);

 private:
  std::wstring message_;
  std::list<CallSite> trace_;
};

class vosexception : public vexception {
 public:
  vosexception(std::uint32_t code, const wchar_t* where, CallSite site);
  std::uint32_t code() const { return code_; }

 private:
  std::uint32_t code_;
};

#define DECLARE_OS_EXCEPTION(Name) \
  class Name : public vosexception { \
   public: \
    using vosexception::vosexception; \
  }
DECLARE_OS_EXCEPTION(VFileNotFoundException);
DECLARE_OS_EXCEPTION(VPathNotFoundException);
DECLARE_OS_EXCEPTION(VAccessDeniedException);
DECLARE_OS_EXCEPTION(VOutOfMemoryException);
DECLARE_OS_EXCEPTION(VSharingViolationException);
DECLARE_OS_EXCEPTION(VEOFException);
DECLARE_OS_EXCEPTION(VFileExistsException);
DECLARE_OS_EXCEPTION(VInsufficientBufferException);
DECLARE_OS_EXCEPTION(VAlreadyExistsException);
DECLARE_OS_EXCEPTION(VServiceDoesNotExistException);
DECLARE_OS_EXCEPTION(VPasswordTooShortException);
#undef DECLARE_OS_EXCEPTION

namespace vserializer {
class invalidprotocol : public vexception {
 public:
  using vexception::vexception;
};
}  // namespace vserializer

// "Error <code>[ at <where>]: <system text>".
std::wstring osErrorText(std::uint32_t code, const wchar_t* where);
[[noreturn]] void throwOsError(const wchar_t* where, std::uint32_t code, CallSite site);
[[noreturn]] inline void throwOsError(const std::wstring& where, std::uint32_t code, CallSite site) {
  throwOsError(where.c_str(), code, std::move(site));
}
[[noreturn]] void throwOutOfMemory();

// A logical failure: "Run-Time error: " followed by the text.
[[noreturn]] void throwRuntimeError(const std::wstring& text, CallSite site);

// The message followed by one "\n   at ..." line per trace entry.
std::wstring fullText(const vexception& error);
