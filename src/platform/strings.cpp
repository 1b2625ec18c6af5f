#include "platform/strings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/exceptions.h"

namespace {

using Upcase = WCHAR(WINAPI*)(WCHAR);

// Looked up once at load; a system without it cannot compare names, so the process ends.
Upcase loadUpcase() {
  auto upcase = reinterpret_cast<Upcase>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll"), "RtlUpcaseUnicodeChar")));
  if (!upcase) {
    std::printf("Procedure (%s) is not found\n1\n", "RtlUpcaseUnicodeChar");
    std::fflush(stdout);
    ExitProcess(1);
  }
  return upcase;
}
const Upcase upcase = loadUpcase();

template <class Char>
std::unique_ptr<Char, decltype(&std::free)> allocate(int count) {
  std::unique_ptr<Char, decltype(&std::free)> buffer(static_cast<Char*>(std::malloc(count * sizeof(Char))), &std::free);
  if (!buffer) throwOutOfMemory();
  return buffer;
}

// Code pages in which ASCII stands for itself, so ASCII text needs no system call.
bool keepsAscii(UINT codePage) { return codePage == CP_ACP || codePage == CP_UTF8; }

}  // namespace

bool isAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

std::string toNarrow(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  if (keepsAscii(codePage) && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
    return std::string(text.begin(), text.end());
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length == 0)
    throwRuntimeError(L"Maps a wide-character (Unicode) string to a character stringz", site("cstr", 12));
  auto buffer = allocate<char>(length);
  WideCharToMultiByte(codePage, 0, text.data(), size, buffer.get(), length, nullptr, nullptr);
  return std::string(buffer.get(), length);
}

std::wstring toWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  if (keepsAscii(codePage) && isAscii(text)) return std::wstring(text.begin(), text.end());
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  if (length == 0)
    throwRuntimeError(L"Maps a character string to a wide-character (Unicode) string failed", site("wstr", 32));
  auto buffer = allocate<wchar_t>(length);
  MultiByteToWideChar(codePage, 0, text.data(), size, buffer.get(), length);
  return std::wstring(buffer.get(), length);
}

bool equalsNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upcase(a[i]) != upcase(b[i])) return false;
  }
  return true;
}
