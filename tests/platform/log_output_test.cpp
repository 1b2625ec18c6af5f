#include "child_run.h"
#include "machine_key.h"
#include "platform/config_key.h"
#include "platform/format.h"

// The process options are given by name; the ones left out keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const std::wstring sampleFullText =
    L"Run-Time error: broken\n   at (test::inner line 10)\n   at Outer('x')(test::outer line 20)";

// Runs platform_child with its own stand-in for HKEY_LOCAL_MACHINE: its console output, then
// "#" and the event-log calls it saw (see platform_child.cpp).
class LogOutput : public ::testing::Test {
 protected:
  std::wstring log(const wchar_t* scenario) {
    vexecutil exec{.command = besideTest(L"platform_child.exe"), .arguments = machine.path() + L" " + scenario};
    const ChildRun child = run(exec);
    EXPECT_EQ(child.exitCode, 0u) << testing::PrintToString(child.err);
    return child.out + L"#" + child.err;
  }
  // A registration, the reports (type and text, then the reporting program, with no category, SID or data), the end.
  std::wstring session(const std::vector<std::pair<unsigned, std::wstring>>& reports) const {
    std::wstring calls = L"R|platform_child.exe\x1e";
    for (const auto& [type, text] : reports)
      calls += format(L"E|%u 0 1 2 0 0|", type) + text + L"|" + besideTest(L"platform_child.exe") + L"\x1e";
    return calls + L"D\x1e";
  }

  ScratchKey machine{testKeyPath()};
  ScratchKey config{machine.path() + L"\\" + configKeyPath};
};

TEST_F(LogOutput, LevelsReachTheConsoleFromTwoAndTheEventLogFromThreeOrAllWithDebug) {
  const std::wstring console = L"line 2\nline 3\nline 4\nline 5#";  // a line feed before each line but the first
  EXPECT_EQ(log(L"levels"), console) << "without a message file nothing is registered or reported";
  config.setText(L"VantoService", L"C:\\panel\\messages.dll");
  EXPECT_EQ(log(L"levels"), console + session({{EVENTLOG_ERROR_TYPE, L"line 3"}, {EVENTLOG_ERROR_TYPE, L"line 4"},
                                               {EVENTLOG_ERROR_TYPE, L"line 5"}}));
  config.setNumber(L"Debug", 1);
  EXPECT_EQ(log(L"levels"), console + session({{EVENTLOG_INFORMATION_TYPE, L"line 0"}, {EVENTLOG_WARNING_TYPE, L"line 1"},
                                               {EVENTLOG_SUCCESS, L"line 2"}, {EVENTLOG_ERROR_TYPE, L"line 3"},
                                               {EVENTLOG_ERROR_TYPE, L"line 4"}, {EVENTLOG_ERROR_TYPE, L"line 5"}}));
}

// A caught exception shows its trace on the console unless the event log took it and Debug is off.
TEST_F(LogOutput, ACaughtExceptionShowsItsTraceUnlessTheEventLogTookIt) {
  EXPECT_EQ(log(L"exception"), sampleFullText + L"#") << "no event source could be registered";
  EXPECT_EQ(log(L"text"), L"Gr\u00fc\u00dfe \u20ac ok\nsecond#") << "the console gets UTF-8";
  config.setText(L"VantoService", L"C:\\panel\\messages.dll");
  EXPECT_EQ(log(L"exception"), L"Run-Time error: broken#" + session({{EVENTLOG_ERROR_TYPE, sampleFullText}}));
  // A refused report shows the trace; the refused source is closed and the next report registers again.
  EXPECT_EQ(log(L"refused-report"), sampleFullText + L"\nafter#" + session({{EVENTLOG_ERROR_TYPE, sampleFullText}}) +
                                        session({{EVENTLOG_ERROR_TYPE, L"after"}}));
  config.setNumber(L"Debug", 1);
  EXPECT_EQ(log(L"exception"), sampleFullText + L"#" + session({{EVENTLOG_ERROR_TYPE, sampleFullText}})) << "Debug on";
}

}  // namespace
