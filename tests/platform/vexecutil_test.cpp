// Running programs through the command interpreter: the command-line forms and their
// escaping as a child sees them, the redirected streams, the working directory, waiting
// and exit codes, and the failure texts.

#include "platform/vexecutil.h"

#include "caught.h"
#include "child_run.h"
#include "scratch_dir.h"

// The process options are given by name; the ones left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

TEST(ProcessCommandLine, FormsAndEscaping) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"a&b", L"a&b"},                            // outside quotes: an operator, kept
      {L"\"a&b\"", L"\"a&b\""},                    // inside quotes: the interpreter sees it quoted too
      {L"\"a\\\"&b\"", L"\"a\\\"^&b\""},           // after an escaped quote the interpreter thinks it is outside
      {L"\"x\\\"y\" >out", L"\"x\\\"y\" \">out"},  // outside with an odd count: an extra quote
      {L"\"a\\\\\" (b)", L"\"a\\\\\" (b)"},        // an escaped backslash does not swallow the closing quote
      {L"", L""},
  };
  for (const auto& [arguments, escaped] : cases) EXPECT_EQ(vexecutil::escapeArguments(arguments), escaped) << arguments;
  const std::wstring tool = L"C:\\Program Files\\tool.exe";
  EXPECT_EQ(vexecutil{.command = tool}.commandLine(), L"/c \"\"C:\\Program Files\\tool.exe\" \"");
  EXPECT_EQ((vexecutil{.command = tool, .arguments = L"\"a&b\" c&d"}.commandLine()),
            L"/c \"\"C:\\Program Files\\tool.exe\" \"a&b\" c&d\"");
  EXPECT_EQ(vexecutil{.arguments = L"\"a&b\" c&d"}.commandLine(), L"/c \"\"a&b\" c&d\"");  // the arguments are the command
  EXPECT_EQ((vexecutil{.command = L"tool a&b \"c&d\"", .verbatim = true}.commandLine()), L"/c tool a&b \"c&d\"");
}

TEST(ProcessStreams, FedCapturedAndRunInItsDirectoryWithItsExitCodeAndFailuresNameTheirSites) {
  ScratchDir dir;
  const std::wstring before = VDirectory::current();
  vexecutil exec{.command = besideTest(L"platform_child.exe"), .arguments = L"--exit=5", .workingDir = dir.path(),
                 .feedStdin = true};
  const ChildRun outcome = run(exec, "fed through standard input\n");
  EXPECT_TRUE(outcome.exitCode == 5u && outcome.err == L"to stderr\n" && VDirectory::current() == before);
  EXPECT_EQ(outcome.out, L"cwd:" + dir.path() + L"\nfed through standard input\n");
  // Failures name their sites.
  vexecutil idle;
  expectOsError([&] { idle.exitCode(); }, 0, L"GetExitCodeProcess", at("vexecutil::exitCode", 194));
  expectOsError([&] { idle.waitForExit(0); }, 0, L"Lock object", at("vexecutil::waitForExit", 186));
  const std::wstring missing = dir / L"no-interpreter.exe";
  SetEnvironmentVariableW(L"COMSPEC", missing.c_str());
  vexecutil failing{.arguments = L"anything", .workingDir = dir.path(), .captureStdout = true};
  expectOsError<VFileNotFoundException>([&] { failing.start(); }, 2, L"CreateProcess '" + missing + L" /c \"anything\"'",
                                        at("vexecutil::start", 150));
  SetEnvironmentVariableW(L"COMSPEC", nullptr);
  EXPECT_TRUE(vexecutil::interpreter() == L"cmd.exe" && VDirectory::current() == before && !failing.process.process);
  EXPECT_TRUE(failing.stdoutRead) << "our end stays in the object until it is destroyed";
}

}  // namespace
