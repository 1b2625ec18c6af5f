// Test child of the process-execution tests: prints what it was started with.
//   line 1: "cmdline:" and its own command line as the system gives it
//   line 2: "cwd:" and its current directory
// then, when its command line holds "--echo", copies its standard input to its standard
// output. It writes "to stderr" on standard error and exits with N when the command line
// holds "--exit=N" (else 0). Output is UTF-8.

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

void put(HANDLE out, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string bytes(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
  DWORD written = 0;
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int main() {
  const std::wstring commandLine = GetCommandLineW();
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  put(out, L"cmdline:" + commandLine + L"\n");
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  put(out, std::wstring(L"cwd:") + cwd + L"\n");
  if (commandLine.find(L"--echo") != std::wstring::npos) {
    char chunk[256];
    DWORD read = 0, written = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), chunk, sizeof chunk, &read, nullptr) && read > 0)
      WriteFile(out, chunk, read, &written, nullptr);
  }
  put(GetStdHandle(STD_ERROR_HANDLE), L"to stderr\n");
  const auto exitAt = commandLine.find(L"--exit=");
  return exitAt == std::wstring::npos ? 0 : std::wcstol(commandLine.c_str() + exitAt + 7, nullptr, 10);
}
