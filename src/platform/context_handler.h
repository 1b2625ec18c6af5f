#pragma once
// Runs a piece of work and, whatever fails beneath it, rethrows the failure as a plain
// vexception that carries one more trace entry naming this context.

#include <cstdint>
#include <string>
#include <utility>

#include "platform/exceptions.h"

// Rethrows the exception being handled with the context site added. Call only from
// inside a catch block.
[[noreturn]] void rethrowWithContext(CallSite context);

template <class Work>
decltype(auto) withContext(const std::wstring& source, const char* function, std::uint32_t line, Work&& work) {
  try {
    return std::forward<Work>(work)();
  } catch (...) {
    rethrowWithContext(CallSite{source, function, line});
  }
}
