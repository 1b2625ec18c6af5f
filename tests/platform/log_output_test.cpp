#include <gtest/gtest.h>

#include <cstring>

#include "child_run.h"
#include "event_record.h"
#include "machine_key.h"
#include "platform/config_key.h"

namespace {

const std::wstring sampleMessage = L"Run-Time error: broken";
const std::wstring sampleFullText =
    L"Run-Time error: broken\n   at (test::inner line 10)\n   at Outer('x')(test::outer line 20)";

// Runs log_child with its own stand-in for HKEY_LOCAL_MACHINE and reads its console
// output and the event-log calls it saw.
class LogOutput : public ::testing::Test {
 protected:
  std::string run(const char* scenario) {
    const ChildRun child =
        runLogChild(machine.path() + L" " + std::wstring(scenario, scenario + std::strlen(scenario)));
    EXPECT_EQ(child.exitCode, 0u) << child.err;
    program = child.program;
    const std::vector<EventCall> calls = decodeEventCalls(child.err);
    for (const EventCall& call : calls) {
      if (call.kind == 'E')
        reports.push_back(call);
      else
        kinds += call.kind;
      if (call.kind == 'R') registered.push_back(call.strings.at(0));
    }
    return child.out;
  }
  void registerMessageFile() { config.setText(L"VantoService", L"C:\\panel\\messages.dll"); }
  void expectReport(std::size_t index, unsigned type, const std::wstring& text) const {
    ASSERT_LT(index, reports.size());
    const EventCall& report = reports[index];
    EXPECT_EQ(report.type, type) << index;
    EXPECT_EQ(report.category, 0u);
    EXPECT_EQ(report.id, 1u);
    EXPECT_FALSE(report.hasSid);
    EXPECT_EQ(report.dataSize, 0u);
    EXPECT_EQ(report.strings, (std::vector<std::wstring>{text, program})) << "the text, then the reporting program";
  }
  static std::string utf8(const std::wstring& text) { return toNarrow(text, CP_UTF8); }

  ScratchKey machine{testKeyPath()};
  ScratchKey config{machine.path() + L"\\" + configKeyPath};
  std::wstring program;
  std::vector<EventCall> reports;
  std::string kinds;                     // registrations and deregistrations in order
  std::vector<std::wstring> registered;  // the source names registered
};

TEST_F(LogOutput, WithDebugAbsentLevelsZeroAndOneGoNowhereTwoToTheConsoleOnly) {
  registerMessageFile();
  EXPECT_EQ(run("levels"), "line 2\nline 3\nline 4\nline 5") << "a line feed before each line but the first";
  ASSERT_EQ(reports.size(), 3u);
  for (int level = 3; level <= 5; ++level)
    expectReport(level - 3, EVENTLOG_ERROR_TYPE, L"line " + std::to_wstring(level));
  EXPECT_EQ(kinds, "RD") << "registered once, deregistered when the program ends";
  EXPECT_EQ(registered, std::vector<std::wstring>{L"log_child.exe"});
}

TEST_F(LogOutput, WithDebugOnEveryLevelReachesTheEventLogWithItsType) {
  registerMessageFile();
  config.setNumber(L"Debug", 1);
  EXPECT_EQ(run("levels"), "line 2\nline 3\nline 4\nline 5");
  ASSERT_EQ(reports.size(), 6u);
  const unsigned types[] = {EVENTLOG_INFORMATION_TYPE, EVENTLOG_WARNING_TYPE, EVENTLOG_SUCCESS,
                            EVENTLOG_ERROR_TYPE,       EVENTLOG_ERROR_TYPE,   EVENTLOG_ERROR_TYPE};
  for (int level = 0; level <= 5; ++level) expectReport(level, types[level], L"line " + std::to_wstring(level));
}

TEST_F(LogOutput, WithoutAMessageFileNothingIsRegisteredOrReported) {
  EXPECT_EQ(run("levels"), "line 2\nline 3\nline 4\nline 5");
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(kinds, "");
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (machine.path() + L"\\System").c_str(), 0, KEY_READ, &key),
            ERROR_FILE_NOT_FOUND);
}

TEST_F(LogOutput, ACaughtExceptionShowsOnlyItsMessageWhenDebugIsOffAndTheEventLogTookIt) {
  registerMessageFile();
  EXPECT_EQ(run("exception"), utf8(sampleMessage));
  ASSERT_EQ(reports.size(), 1u);
  expectReport(0, EVENTLOG_ERROR_TYPE, sampleFullText);
  config.setNumber(L"Debug", 1);
  reports.clear();
  EXPECT_EQ(run("exception"), utf8(sampleFullText)) << "with Debug on";
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(LogOutput, ACaughtExceptionShowsItsTraceWhenTheEventLogCouldNotBeRegistered) {
  EXPECT_EQ(run("exception"), utf8(sampleFullText));
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(run("text"),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC ok\nsecond") << "the console gets UTF-8";
}

TEST_F(LogOutput, ARefusedReportShowsTheTraceAndTheNextReportRegistersAgain) {
  registerMessageFile();
  EXPECT_EQ(run("refused-report"), utf8(sampleFullText) + "\nafter");
  ASSERT_EQ(reports.size(), 2u);
  expectReport(0, EVENTLOG_ERROR_TYPE, sampleFullText);
  expectReport(1, EVENTLOG_ERROR_TYPE, L"after");
  EXPECT_EQ(kinds, "RDRD") << "the refused source is closed and a new one registered";
}

}  // namespace
