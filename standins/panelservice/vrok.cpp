// Stand-in for the control panel's mail-configuration tool "vrok.exe". It does no mail
// work: it records that it ran and ends as told by "vrok-standin.txt" beside it:
//   first line  "exit=N"  the exit code (missing file or line: 0)
//   the rest    written to standard output byte for byte (missing file: a short success line)
// Each run appends "ran" and its command line to "vrok-standin.log" beside it.

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::wstring besideMe(const wchar_t* name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

void writeOut(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void appendLog() {
  const std::wstring commandLine = GetCommandLineW();
  const int size = WideCharToMultiByte(CP_UTF8, 0, commandLine.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string line(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, commandLine.c_str(), -1, line.data(), size, nullptr, nullptr);
  std::ofstream log(besideMe(L"vrok-standin.log").c_str(), std::ios::binary | std::ios::app);
  log << "ran " << line << "\r\n";
}

}  // namespace

int main() {
  appendLog();
  std::ifstream settings(besideMe(L"vrok-standin.txt").c_str(), std::ios::binary);
  if (!settings) {
    writeOut("Mail server configuration checked.\r\n");
    return 0;
  }
  std::stringstream content;
  content << settings.rdbuf();
  std::string text = content.str();
  int exitCode = 0;
  if (text.rfind("exit=", 0) == 0) {
    exitCode = std::atoi(text.c_str() + 5);
    const auto lineEnd = text.find('\n');
    text = lineEnd == std::string::npos ? std::string() : text.substr(lineEnd + 1);
  }
  writeOut(text);
  return exitCode;
}
