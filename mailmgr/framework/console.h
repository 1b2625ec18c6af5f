#pragma once
// Standard output and error in UTF-8, and reading a line of standard input (a password).

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace mailmgr {

std::string toUtf8(std::wstring_view text);
std::wstring fromUtf8(std::string_view text);

// One of the process's standard streams. A console gets wide text; a file or pipe gets
// UTF-8 bytes. A stream that cannot be written (closed, none) drops the text.
class OutputStream {
 public:
  explicit OutputStream(DWORD which) : which_(which) {}
  void write(std::wstring_view text);
  void writeUtf8(std::string_view text);
  void line(std::wstring_view text = {}) {
    write(text);
    write(L"\n");
  }

 private:
  DWORD which_;
};

OutputStream& standardOutput();
OutputStream& standardError();

// While alive, the console shows output in UTF-8; the previous code page comes back after.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT previous_;
};

// One line of standard input without its line end, or nothing at the end of input. On a
// console the prompt goes to standard error and the typed text is not echoed.
std::optional<std::wstring> readSecretLine(std::wstring_view prompt);

}  // namespace mailmgr
