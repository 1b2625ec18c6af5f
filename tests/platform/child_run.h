#pragma once
// Runs a program through the module's process execution with its output streams captured
// (its input fed too when asked) and collects them, as UTF-8 text, once it has ended.

#include <thread>

#include <gtest/gtest.h>

#include "platform/strings.h"
#include "platform/system_paths.h"
#include "platform/vexecutil.h"

struct ChildRun {
  std::wstring out, err;
  DWORD exitCode = 0;
};

inline std::wstring besideTest(const std::wstring& name) {
  const std::wstring self = moduleName(nullptr);
  return self.substr(0, self.rfind(L'\\') + 1) + name;
}

inline ChildRun run(vexecutil& exec, const std::string& input = {}) {
  exec.captureStdout = exec.captureStderr = exec.noWindow = true;
  exec.start();
  DWORD done = 0;
  EXPECT_TRUE(!exec.feedStdin || WriteFile(exec.stdinWrite.get(), input.data(), DWORD(input.size()), &done, nullptr));
  exec.stdinWrite.reset();  // the end of its input
  const auto readAll = [](HANDLE pipe, std::wstring& text) {
    std::string bytes(1 << 16, '\0'), all;
    for (DWORD read = 0; ReadFile(pipe, bytes.data(), DWORD(bytes.size()), &read, nullptr) && read > 0;) all.append(bytes, 0, read);
    text = toWide(all, CP_UTF8);
  };
  ChildRun outcome;
  std::thread errReader(readAll, exec.stderrRead.get(), std::ref(outcome.err));
  readAll(exec.stdoutRead.get(), outcome.out);
  errReader.join();
  EXPECT_TRUE(exec.waitForExit(INFINITE));
  outcome.exitCode = exec.exitCode();
  return outcome;
}
