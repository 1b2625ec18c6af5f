// Running programs through the command interpreter: the command-line forms and their
// escaping as a child sees them, the redirected streams, the working directory, waiting
// and exit codes, and the failure texts.

#include "platform/vexecutil.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/exceptions.h"
#include "platform/strings.h"
#include "platform/system_paths.h"
#include "platform/scratch_dir.h"

namespace {

std::wstring besideTest(const std::wstring& name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path = self;
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

std::string readAll(HANDLE pipe) {
  std::string text;
  char chunk[1024];
  DWORD read = 0;
  while (ReadFile(pipe, chunk, sizeof chunk, &read, nullptr) && read > 0) text.append(chunk, read);
  return text;
}

std::wstring fromUtf8(const std::string& text) { return toWide(text, CP_UTF8); }

// What the child printed after "cmdline:", up to the end of that line, without trailing blanks.
std::wstring childCommandLine(const std::wstring& output) {
  const auto begin = output.find(L"cmdline:");
  if (begin == std::wstring::npos) return L"(no child output: " + output + L")";
  std::wstring line = output.substr(begin + 8, output.find(L'\n', begin) - begin - 8);
  while (!line.empty() && (line.back() == L' ' || line.back() == L'\r')) line.pop_back();
  return line;
}

struct Outcome {
  std::wstring out, err;
  DWORD exitCode = 0;
};

Outcome run(vexecutil& exec) {
  exec.captureStdout = true;
  exec.captureStderr = true;
  exec.noWindow = true;
  exec.start();
  Outcome outcome;
  std::string err;
  std::thread errReader([&] { err = readAll(exec.stderrRead.get()); });
  outcome.out = fromUtf8(readAll(exec.stdoutRead.get()));
  errReader.join();
  outcome.err = fromUtf8(err);
  EXPECT_TRUE(exec.waitForExit(INFINITE));
  outcome.exitCode = exec.exitCode();
  return outcome;
}

TEST(ProcessCommandLine, FormsAndEscaping) {
  const struct {
    const wchar_t* arguments;
    const wchar_t* escaped;
  } cases[] = {
      {L"a&b", L"a&b"},                              // outside quotes: an operator, kept
      {L"\"a&b\"", L"\"a&b\""},                      // inside quotes: the interpreter sees it quoted too
      {L"\"a\\\"&b\"", L"\"a\\\"^&b\""},             // after an escaped quote the interpreter thinks it is outside
      {L"\"x\\\"y\" >out", L"\"x\\\"y\" \">out"},    // outside with an odd count: an extra quote
      {L"\"a\\\\\" (b)", L"\"a\\\\\" (b)"},          // an escaped backslash does not swallow the closing quote
      {L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "arguments " << std::string(c.arguments, c.arguments + wcslen(c.arguments)));
    EXPECT_EQ(vexecutil::escapeArguments(c.arguments), c.escaped);
  }

  vexecutil exec;
  exec.command = L"C:\\Program Files\\tool.exe";
  EXPECT_EQ(exec.commandLine(), L"/c \"\"C:\\Program Files\\tool.exe\" \"");
  exec.arguments = L"\"a&b\" c&d";
  EXPECT_EQ(exec.commandLine(), L"/c \"\"C:\\Program Files\\tool.exe\" \"a&b\" c&d\"");
  exec.command.clear();
  EXPECT_EQ(exec.commandLine(), L"/c \"\"a&b\" c&d\"");
  exec.command = L"tool a&b \"c&d\"";
  exec.verbatim = true;
  EXPECT_EQ(exec.commandLine(), L"/c tool a&b \"c&d\"");
}

// The child reports the command line the interpreter gave it: what the escaping made of
// the arguments after the interpreter read them.
TEST(ProcessCommandLine, ChildSeesArgumentsAsQuoted) {
  const std::wstring child = besideTest(L"cmdline_child.exe");
  const std::wstring quoted = L"\"" + child + L"\"";
  const struct {
    const wchar_t* arguments;
    std::wstring seen;
  } cases[] = {
      {L"\"a&b\"", quoted + L" \"a&b\""},
      {L"\"a\\\"&b\"", quoted + L" \"a\\\"&b\""},
      {L"\"(x)|<y>\" plain", quoted + L" \"(x)|<y>\" plain"},
      {L"", quoted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "arguments " << testing::PrintToString(std::wstring(c.arguments)));
    vexecutil exec;
    exec.command = child;
    exec.arguments = c.arguments;
    const Outcome outcome = run(exec);
    EXPECT_EQ(childCommandLine(outcome.out), c.seen);
    EXPECT_EQ(outcome.exitCode, 0u) << testing::PrintToString(outcome.err);
  }

  {
    SCOPED_TRACE("a&b outside quotes separates two commands");
    vexecutil exec;
    exec.command = child;
    exec.arguments = L"a&b";
    const Outcome outcome = run(exec);
    EXPECT_EQ(childCommandLine(outcome.out), quoted + L" a");
    EXPECT_NE(outcome.exitCode, 0u);  // the second command, "b", does not exist
  }
  {
    SCOPED_TRACE("command only: the arguments are the whole command");
    vexecutil exec;
    exec.arguments = quoted + L" \"x&y\" --exit=3";
    const Outcome outcome = run(exec);
    EXPECT_EQ(childCommandLine(outcome.out), quoted + L" \"x&y\" --exit=3");
    EXPECT_EQ(outcome.exitCode, 3u);
  }
  {
    SCOPED_TRACE("verbatim: the interpreter's own escapes are the caller's");
    vexecutil exec;
    exec.verbatim = true;
    exec.command = child + L" x^&y";
    const Outcome outcome = run(exec);
    EXPECT_EQ(childCommandLine(outcome.out), child + L" x&y");
  }
  {
    SCOPED_TRACE("a program path with blanks and no arguments");
    ScratchDir dir;
    const std::wstring copy = dir.dir(L"with blank") + L"\\child copy.exe";
    ASSERT_TRUE(CopyFileW(child.c_str(), copy.c_str(), FALSE));
    vexecutil exec;
    exec.command = copy;
    const Outcome outcome = run(exec);
    EXPECT_EQ(childCommandLine(outcome.out), L"\"" + copy + L"\"");
  }
}

TEST(ProcessStreams, FedCapturedAndInDirectory) {
  ScratchDir dir;
  const std::wstring before = VDirectory::current();
  vexecutil exec;
  exec.command = besideTest(L"cmdline_child.exe");
  exec.arguments = L"--echo --exit=5";
  exec.workingDir = dir.path();
  exec.feedStdin = exec.captureStdout = exec.captureStderr = true;
  exec.noWindow = true;
  exec.start();
  EXPECT_EQ(VDirectory::current(), before);
  EXPECT_NE(exec.process.processId, 0u);

  EXPECT_FALSE(exec.waitForExit(0));  // it waits for the end of its input
  EXPECT_EQ(exec.exitCode(), static_cast<DWORD>(STILL_ACTIVE));
  const std::string fed = "fed through standard input\n";
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(exec.stdinWrite.get(), fed.data(), static_cast<DWORD>(fed.size()), &written, nullptr));
  exec.stdinWrite.reset();

  std::string err;
  std::thread errReader([&] { err = readAll(exec.stderrRead.get()); });
  const std::wstring out = fromUtf8(readAll(exec.stdoutRead.get()));
  errReader.join();
  EXPECT_TRUE(exec.waitForExit(INFINITE));
  EXPECT_EQ(exec.exitCode(), 5u);
  EXPECT_NE(out.find(L"\ncwd:" + dir.path() + L"\n"), std::wstring::npos) << testing::PrintToString(out);
  EXPECT_NE(out.find(L"fed through standard input\n"), std::wstring::npos) << testing::PrintToString(out);
  EXPECT_EQ(err, "to stderr\n");
}

TEST(ProcessStreams, WithoutRedirectionChildUsesOurHandles) {
  vpipe pipe = createPipe(true);
  const HANDLE ourOut = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, pipe.write.get());
  vexecutil exec;
  exec.command = besideTest(L"cmdline_child.exe");
  exec.arguments = L"own-handles";
  exec.noWindow = true;
  exec.start();
  SetStdHandle(STD_OUTPUT_HANDLE, ourOut);
  pipe.write.reset();
  EXPECT_FALSE(exec.stdoutRead);
  EXPECT_FALSE(exec.stdinWrite);
  const std::wstring out = fromUtf8(readAll(pipe.read.get()));
  EXPECT_TRUE(exec.waitForExit(INFINITE));
  EXPECT_NE(out.find(L"own-handles"), std::wstring::npos) << testing::PrintToString(out);
}

TEST(ProcessFailures, TextsAndSites) {
  vexecutil idle;
  try {
    idle.exitCode();
    FAIL() << "no exception";
  } catch (const vosexception& e) {
    EXPECT_NE(e.message().find(L"GetExitCodeProcess"), std::wstring::npos);
    EXPECT_EQ(e.trace().front().function, "vexecutil::exitCode");
    EXPECT_EQ(e.trace().front().line, 194u);
  }
  try {
    idle.waitForExit(0);
    FAIL() << "no exception";
  } catch (const vosexception& e) {
    EXPECT_NE(e.message().find(L"Lock object"), std::wstring::npos);
    EXPECT_EQ(e.trace().front().function, "vexecutil::waitForExit");
  }

  ScratchDir dir;
  const std::wstring before = VDirectory::current();
  const std::wstring missing = dir / L"no-interpreter.exe";
  SetEnvironmentVariableW(L"COMSPEC", missing.c_str());
  vexecutil exec;
  exec.arguments = L"anything";
  exec.workingDir = dir.path();
  exec.captureStdout = true;
  try {
    exec.start();
    FAIL() << "no exception";
  } catch (const vosexception& e) {
    EXPECT_EQ(e.code(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(e.message().find(L"CreateProcess '" + missing + L" /c \"anything\"'"), std::wstring::npos)
        << testing::PrintToString(e.message());
    EXPECT_EQ(e.trace().front().line, 150u);
  }
  SetEnvironmentVariableW(L"COMSPEC", nullptr);
  EXPECT_EQ(vexecutil::interpreter(), L"cmd.exe");
  EXPECT_EQ(VDirectory::current(), before);
  EXPECT_TRUE(exec.stdoutRead);  // our end stays in the object until it is destroyed
  EXPECT_FALSE(exec.process.process);
}

}  // namespace
