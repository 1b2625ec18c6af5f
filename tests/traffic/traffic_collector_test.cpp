// Rules of reading a log folder that the generated logs do not exercise: file order and
// names, damaged files, repeated calls and progress.

#include "traffic/traffic_collector.h"

#include <gtest/gtest.h>

#include "traffic/log_dir.h"

using maillog::LogStamp;
using maillog::Service;

namespace {

class TrafficCollector : public ::testing::Test {
 protected:
  // Appends one line of an SMTP session to the named file.
  void write(const std::string& name, unsigned id, LogStamp at, const char* message) {
    maillog::LogFileWriter(dir.narrow() + name, true).write(Service::smtp, "10.0.0.5", id, at, message);
  }
  // A session of x@a.example to an outside recipient, a line a minute.
  void session(const std::string& name, unsigned id, LogStamp at, bool withEnd = true) {
    for (const char* message : {"<<< MAIL FROM:<x@a.example>", "<<< RCPT TO:<o@far.example>", "Disconnected"}) {
      if (withEnd || message[0] == '<') write(name, id, at, message);
      ++at.minute;
    }
  }
  void collect() { Dravo::collectTraffic(dir.path(), dayTime(2026, 5, 10), dayTime(2026, 5, 12), traffic, finished); }
  // The sender's second counter summed over all days.
  std::uint64_t sent() const {
    std::uint64_t total = 0;
    for (const auto& day : traffic.at(L"a.example")) total += day.second[1];
    return total;
  }

  static constexpr std::uint64_t oneSession = 25 + 25;  // the two command lines with their line ends
  LogDir dir;
  TrafficMap traffic{{L"a.example", {}}};
  StringList finished;
};

}  // namespace

TEST_F(TrafficCollector, SessionsContinueAcrossFilesInSortedNameOrder) {
  session("s10.log", 1, LogStamp{2026, 5, 10, 9, 0, 0}, false);  // "s10.log" sorts before "s2.log"
  write("s10.log", 2, LogStamp{2026, 5, 10, 9, 3, 0}, "Disconnected");
  write("s2.log", 1, LogStamp{2026, 5, 10, 9, 5, 0}, "Disconnected");
  session("s2.log", 2, LogStamp{2026, 5, 10, 9, 6, 0}, false);
  collect();
  // Session 1 ends in the later file; session 2's end came before its lines and is lost.
  EXPECT_EQ(sent(), oneSession);
  EXPECT_TRUE(finished.empty());
}

TEST_F(TrafficCollector, OnlyLowerCaseInitialsAreReadOthersAreFinished) {
  session("S1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  session("x.txt", 2, LogStamp{2026, 5, 10, 9, 0, 0});
  makeDirs(dir.path() + L"s-folder");
  collect();
  EXPECT_TRUE(traffic.at(L"a.example").empty());
  EXPECT_EQ(finished, (StringList{dir.path() + L"S1.log", dir.path() + L"x.txt"}));
}

TEST_F(TrafficCollector, DamagedFileKeepsEarlierCreditsAndIsNotFinished) {
  session("s1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  session("s1.log", 2, LogStamp{2026, 5, 10, 9, 5, 0}, false);
  session("s1.log", 2, LogStamp{2026, 5, 10, 9, 7, 0});  // a second sender: the rest of the file is skipped
  maillog::LogFileWriter(dir.narrow() + "s2.log", true).writeRaw("not a log line at all");
  session("s3.log", 4, LogStamp{2026, 5, 1, 9, 0, 0});
  session("s4.log", 5, LogStamp{2026, 5, 10, 10, 0, 0});
  collect();
  EXPECT_EQ(sent(), 2 * oneSession);  // sessions 1 and 5
  EXPECT_EQ(finished, (StringList{dir.path() + L"s3.log"}));
}

TEST_F(TrafficCollector, MissingFolderGivesNothingAndCallsAccumulate) {
  Dravo::collectTraffic(dir.path() + L"missing\\", dayTime(2026, 5, 10), dayTime(2026, 5, 12), traffic, finished);
  EXPECT_TRUE(traffic.at(L"a.example").empty() && finished.empty());
  session("s1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  collect();
  collect();
  EXPECT_EQ(sent(), 2 * oneSession);
  EXPECT_EQ(traffic.size(), 1u);  // no domain added
}

TEST_F(TrafficCollector, ProgressReportsEveryFileInOrder) {
  session("s2.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  session("p1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  std::vector<std::wstring> seen;
  Dravo::collectTraffic(dir.path(), dayTime(2026, 5, 10), dayTime(2026, 5, 12), traffic, finished,
                        [&](std::size_t index, std::size_t count, const std::wstring& name) {
                          EXPECT_EQ(std::pair(index, count), std::pair(seen.size(), std::size_t{2}));
                          seen.push_back(name);
                        });
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"p1.log", L"s2.log"}));
}
