#include "platform/format.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/exceptions.h"

std::wstring vaformat(const wchar_t* format, va_list args) {
  constexpr std::size_t limit = 0xA00000;
  for (std::size_t capacity = 100;; capacity *= 2) {
    std::unique_ptr<wchar_t, decltype(&std::free)> buffer(
        static_cast<wchar_t*>(std::malloc(capacity * sizeof(wchar_t))), &std::free);
    if (!buffer) throwOutOfMemory();
    va_list copy;
    va_copy(copy, args);
    const int count = _vsnwprintf(buffer.get(), capacity, format, copy);
    va_end(copy);
    if (count >= 0 && static_cast<std::size_t>(count) < capacity) return std::wstring(buffer.get(), count);
    if (capacity * 2 >= limit) return L"Error on try call vaformat";
  }
}

std::wstring format(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = vaformat(format, args);
  va_end(args);
  return text;
}
