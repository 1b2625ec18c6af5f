#include "host/failure_text.h"

#include <cstdio>
#include <exception>
#include <new>

#include "framework/console.h"
#include "framework/usage_error.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/owner.h"

namespace mailmgr {
namespace {

// The system's text for a code, without its line end; empty when there is none.
std::wstring systemText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const LocalMemory owner(buffer);
  std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
  return text;
}

std::wstring hex8(unsigned long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%08lX", value);
  return text;
}

}  // namespace

std::wstring traceText(const vexception& error) {
  std::wstring text = error.message();
  for (const CallSite& site : error.trace()) {
    text += L"\n   at " + site.source + L"(" + fromUtf8(site.function) + L" line " + std::to_wstring(site.line) + L")";
  }
  return text;
}

std::wstring comErrorText(const ComError& error) {
  const auto code = static_cast<unsigned long>(error.error());
  std::wstring text = L"COM Error " + hex8(code) + L" (";
  const std::wstring system = systemText(code);
  text += system.empty() ? L"Unknown error 0x" + hex8(code) : system;
  if (!error.description().empty()) text += L", " + error.description();
  return text + L")";
}

std::wstring systemErrorText(DWORD code) {
  const std::wstring system = systemText(code);
  return L"Error " + std::to_wstring(code) + L": " + (system.empty() ? L"Unknown error" : system);
}

std::wstring describeFailure(bool trace) {
  try {
    throw;
  } catch (const vexception& error) {
    return trace ? traceText(error) : error.message();
  } catch (const ComError& error) {
    return comErrorText(error);
  } catch (const Failure& failure) {
    return failure.message;
  } catch (const UsageError& error) {
    return error.message;
  } catch (const std::bad_alloc&) {
    return L"out of memory";
  } catch (const std::exception& error) {
    return fromUtf8(error.what());
  } catch (...) {
    return L"an unknown exception left the module";
  }
}

bool isNotImplemented() {
  try {
    throw;
  } catch (const vexception& error) {
    return error.message().starts_with(L"Run-Time error: Not implemented");
  } catch (...) {
    return false;
  }
}

}  // namespace mailmgr
