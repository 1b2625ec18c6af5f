// Test child of the process-execution tests: prints "cwd:" and its current directory in
// UTF-8, copies its standard input to its standard output, writes "to stderr" on standard
// error and exits with N when its command line holds "--exit=N" (else 0).

#include <windows.h>

#include <cwchar>
#include <string>

int main() {
  wchar_t cwd[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  char bytes[4 * MAX_PATH];
  const std::wstring text = L"cwd:" + std::wstring(cwd) + L"\n";
  DWORD done = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes, sizeof bytes, nullptr, nullptr);
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  WriteFile(out, bytes, done, &done, nullptr);
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), bytes, sizeof bytes, &done, nullptr) && done > 0)
    WriteFile(out, bytes, done, &done, nullptr);
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), "to stderr\n", 10, &done, nullptr);
  const wchar_t* exitAt = std::wcsstr(GetCommandLineW(), L"--exit=");
  return exitAt ? std::wcstol(exitAt + 7, nullptr, 10) : 0;
}
