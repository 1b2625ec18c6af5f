#include "mailmgr/run_mailmgr.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "platform/owner.h"
#include "platform/strings.h"

namespace {

// Quoted so that the child's command-line splitting gives back exactly the argument.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'"') out.append(backslashes + 1, L'\\');  // doubles the backslashes before it, escapes it
    backslashes = c == L'\\' ? backslashes + 1 : 0;
    out += c;
  }
  return out.append(backslashes, L'\\') + L"\"";  // doubled before the closing quote
}

// A pipe whose child end alone is inherited.
void makePipe(KernelHandle& read, KernelHandle& write, bool childReads) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!CreatePipe(read.put(), write.put(), &inherit, 0)) throw std::runtime_error("CreatePipe failed");
  SetHandleInformation((childReads ? write : read).get(), HANDLE_FLAG_INHERIT, 0);
}

std::thread drain(HANDLE pipe, std::string& data) {
  return std::thread([pipe, &data] {
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &count, nullptr) && count > 0) data.append(buffer, count);
  });
}

}  // namespace

std::wstring besideTestProgram(const std::wstring& file) {
  wchar_t path[MAX_PATH];
  const std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
  return self.substr(0, self.find_last_of(L"\\/") + 1) + file;
}

std::string utf8(const std::wstring& text) { return toNarrow(text, CP_UTF8); }

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
  if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
    throw std::runtime_error("cannot start mailmgr.exe, error " + std::to_string(GetLastError()));
  const KernelHandle process(info.hProcess), thread(info.hThread);
  // The child holds its own copies now; closing ours lets the pipes end with the child.
  inRead.reset();
  outWrite.reset();
  errWrite.reset();
  MailmgrRun run;
  std::thread errReader = drain(errRead.get(), run.err), outReader = drain(outRead.get(), run.out);
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

void expectRuns(const std::vector<Expected>& table, const std::vector<std::wstring>& prefix) {
  for (const Expected& row : table) {
    std::vector<std::wstring> words = prefix;
    words.insert(words.end(), row.words.begin(), row.words.end());
    std::wstring line;
    for (const std::wstring& word : row.words) line += word + L" ";
    SCOPED_TRACE(utf8(line));
    const MailmgrRun run = runMailmgr(words);
    EXPECT_EQ(run.exitCode, row.code) << run.err;
    EXPECT_THAT(row.code ? run.err : run.out, testing::HasSubstr(row.out));
    EXPECT_TRUE(row.code == 0 || run.out.empty()) << run.out;
  }
}
