#include "mailmgr/run_mailmgr.h"

#include <windows.h>

#include <stdexcept>
#include <thread>

#include "platform/owner.h"

namespace {

// Quoted so that the child's command-line splitting gives back exactly the argument.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

void makePipe(KernelHandle& read, KernelHandle& write, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(read.put(), write.put(), &inherit, 0)) throw std::runtime_error("CreatePipe failed");
  // Only the child's end is inherited.
  SetHandleInformation((childReads ? write : read).get(), HANDLE_FLAG_INHERIT, 0);
}

std::string drain(HANDLE pipe) {
  std::string data;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) data.append(buffer, count);
  return data;
}

}  // namespace

std::wstring besideTestProgram(const std::wstring& file) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring directory(path, length);
  return directory.substr(0, directory.find_last_of(L"\\/") + 1) + file;
}

std::string utf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length, nullptr, nullptr);
  return out;
}

MailmgrRun runMailmgr(const std::vector<std::wstring>& arguments, const std::string& input) {
  KernelHandle inRead, inWrite, outRead, outWrite, errRead, errWrite;
  makePipe(inRead, inWrite, true);
  makePipe(outRead, outWrite, false);
  makePipe(errRead, errWrite, false);

  const std::wstring program = besideTestProgram(L"mailmgr.exe");
  std::wstring commandLine = quoted(program);
  for (const auto& argument : arguments) commandLine += L" " + quoted(argument);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = inRead.get();
  startup.hStdOutput = outWrite.get();
  startup.hStdError = errWrite.get();
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &info)) {
    throw std::runtime_error("cannot start mailmgr.exe, error " + std::to_string(GetLastError()));
  }
  const KernelHandle process(info.hProcess), thread(info.hThread);
  // The child holds its own copies now; closing ours lets the pipes end with the child.
  inRead.reset();
  outWrite.reset();
  errWrite.reset();

  MailmgrRun run;
  std::thread errReader([&] { run.err = drain(errRead.get()); });
  std::thread outReader([&] { run.out = drain(outRead.get()); });
  DWORD written = 0;
  if (!input.empty()) WriteFile(inWrite.get(), input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
  inWrite.reset();
  // A bound only against a hung child, far above any normal run.
  if (WaitForSingleObject(process.get(), 120000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 99);
  outReader.join();
  errReader.join();
  GetExitCodeProcess(process.get(), &run.exitCode);
  return run;
}
