#include "framework/console.h"

#include "framework/usage_error.h"

namespace mailmgr {
namespace {

bool isConsole(HANDLE handle, DWORD& mode) { return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode); }

// Longest line accepted on standard input; a password is far shorter.
constexpr std::size_t longestLine = 4096;

// Restores a console input mode when it goes out of scope.
class ConsoleModeGuard {
 public:
  ConsoleModeGuard(HANDLE handle, DWORD mode) : handle_(handle), mode_(mode) {}
  ~ConsoleModeGuard() { SetConsoleMode(handle_, mode_); }
  ConsoleModeGuard(const ConsoleModeGuard&) = delete;
  ConsoleModeGuard& operator=(const ConsoleModeGuard&) = delete;

 private:
  HANDLE handle_;
  DWORD mode_;
};

std::optional<std::wstring> readConsoleLine(HANDLE input, DWORD mode, std::wstring_view prompt) {
  standardError().write(prompt);
  ConsoleModeGuard restore(input, mode);
  SetConsoleMode(input, (mode | ENABLE_LINE_INPUT) & ~ENABLE_ECHO_INPUT);
  std::wstring line;
  wchar_t buffer[256];
  bool ended = false;
  while (!ended) {
    DWORD count = 0;
    if (!ReadConsoleW(input, buffer, 256, &count, nullptr) || count == 0) break;
    for (DWORD i = 0; i < count && !ended; ++i) {
      if (buffer[i] == L'\r' || buffer[i] == L'\n') ended = true;
      else line += buffer[i];
    }
    if (line.size() > longestLine) throw UsageError{L"the line on standard input is too long"};
  }
  standardError().write(L"\n");  // the Enter key was not echoed
  if (!ended && line.empty()) return std::nullopt;
  return line;
}

std::optional<std::wstring> readStreamLine(HANDLE input) {
  // Byte by byte, so that nothing after the line is taken from the stream.
  std::string bytes;
  bool any = false;
  for (;;) {
    char c = 0;
    DWORD count = 0;
    if (!ReadFile(input, &c, 1, &count, nullptr) || count == 0) break;
    any = true;
    if (c == '\n') break;
    bytes += c;
    if (bytes.size() > longestLine) throw UsageError{L"the line on standard input is too long"};
  }
  if (!any) return std::nullopt;
  if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
  return fromUtf8(bytes);
}

}  // namespace

std::string toUtf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, out.data(), length, nullptr, nullptr);
  return out;
}

std::wstring fromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, out.data(), length);
  return out;
}

void OutputStream::write(std::wstring_view text) {
  if (text.empty()) return;
  const HANDLE handle = GetStdHandle(which_);
  DWORD mode = 0;
  if (isConsole(handle, mode)) {
    DWORD written = 0;
    WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  writeUtf8(toUtf8(text));
}

void OutputStream::writeUtf8(std::string_view text) {
  const HANDLE handle = GetStdHandle(which_);
  if (!handle || handle == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (isConsole(handle, mode)) {
    write(fromUtf8(text));
    return;
  }
  while (!text.empty()) {
    DWORD written = 0;
    if (!WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

OutputStream& standardOutput() {
  static OutputStream stream(STD_OUTPUT_HANDLE);
  return stream;
}

OutputStream& standardError() {
  static OutputStream stream(STD_ERROR_HANDLE);
  return stream;
}

Utf8Console::Utf8Console() : previous_(GetConsoleOutputCP()) {
  if (previous_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  if (previous_ != 0) SetConsoleOutputCP(previous_);
}

std::optional<std::wstring> readSecretLine(std::wstring_view prompt) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!input || input == INVALID_HANDLE_VALUE) return std::nullopt;
  DWORD mode = 0;
  if (isConsole(input, mode)) return readConsoleLine(input, mode, prompt);
  return readStreamLine(input);
}

}  // namespace mailmgr
