#pragma once
// Starts log_child.exe beside the test program with its standard output and error
// redirected, and collects both once it has ended.

#include <windows.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/owner.h"

struct ChildRun {
  DWORD exitCode = 0;
  std::string out;
  std::string err;
  std::wstring program;  // full path of the child program
};

namespace childrun {

inline std::string drain(HANDLE pipe) {
  std::string text;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
  return text;
}

}  // namespace childrun

// `arguments` follow the program name on the command line.
inline ChildRun runLogChild(const std::wstring& arguments) {
  ChildRun run;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  run.program = self;
  run.program = run.program.substr(0, run.program.rfind(L'\\') + 1) + L"log_child.exe";

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  KernelHandle outRead, outWrite, errRead, errWrite;
  EXPECT_TRUE(CreatePipe(outRead.put(), outWrite.put(), &inherit, 0));
  EXPECT_TRUE(CreatePipe(errRead.put(), errWrite.put(), &inherit, 0));
  SetHandleInformation(outRead.get(), HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = outWrite.get();
  startup.hStdError = errWrite.get();
  std::wstring commandLine = L"\"" + run.program + L"\" " + arguments;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(run.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  EXPECT_TRUE(started) << "cannot start " << std::string(run.program.begin(), run.program.end());
  outWrite.reset();
  errWrite.reset();
  if (!started) return run;
  const KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);

  std::thread errReader([&] { run.err = childrun::drain(errRead.get()); });
  run.out = childrun::drain(outRead.get());
  errReader.join();
  WaitForSingleObject(processHandle.get(), INFINITE);
  GetExitCodeProcess(processHandle.get(), &run.exitCode);
  return run;
}
