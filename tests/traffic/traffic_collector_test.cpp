#include "traffic/traffic_collector.h"

#include <gtest/gtest.h>

#include "traffic/log_dir.h"

using maillog::LogStamp;
using maillog::Service;

namespace {

class TrafficCollector : public ::testing::Test {
 protected:
  // A finished session of x@a.example to an outside recipient, one line a step of a minute.
  void session(maillog::LogFileWriter& file, unsigned id, LogStamp at, bool withEnd = true) {
    file.write(Service::smtp, "10.0.0.5", id, at, "<<< MAIL FROM:<x@a.example>");
    ++at.minute;
    file.write(Service::smtp, "10.0.0.5", id, at, "<<< RCPT TO:<o@far.example>");
    ++at.minute;
    if (withEnd) file.write(Service::smtp, "10.0.0.5", id, at, "Disconnected");
  }
  maillog::LogFileWriter file(const std::string& name) { return maillog::LogFileWriter(dir.narrow() + name, false); }
  void collect() { Dravo::collectTraffic(dir.path(), from, to, traffic, finished); }
  // The sender's second counter summed over all days.
  std::uint64_t sent() const {
    std::uint64_t total = 0;
    for (const auto& day : traffic.at(L"a.example")) total += day.second[1];
    return total;
  }

  static constexpr std::uint64_t oneSession = 25 + 25;  // the two command lines with their line ends
  LogDir dir;
  SYSTEMTIME from = dayTime(2026, 5, 10);
  SYSTEMTIME to = dayTime(2026, 5, 12);
  TrafficMap traffic{{L"a.example", {}}};
  StringList finished;
};

}  // namespace

TEST_F(TrafficCollector, SessionsContinueAcrossFilesInSortedNameOrder) {
  {
    auto first = file("s10.log");  // sorts before "s2.log"
    first.write(Service::smtp, "10.0.0.5", 1, LogStamp{2026, 5, 10, 9, 0, 0}, "<<< MAIL FROM:<x@a.example>");
    first.write(Service::smtp, "10.0.0.5", 1, LogStamp{2026, 5, 10, 9, 0, 1}, "<<< RCPT TO:<o@far.example>");
    first.write(Service::smtp, "10.0.0.5", 2, LogStamp{2026, 5, 10, 9, 0, 2}, "Disconnected");
    auto second = file("s2.log");
    second.write(Service::smtp, "10.0.0.5", 1, LogStamp{2026, 5, 10, 9, 1, 0}, "Disconnected");
    second.write(Service::smtp, "10.0.0.5", 2, LogStamp{2026, 5, 10, 9, 1, 0}, "<<< MAIL FROM:<x@a.example>");
    second.write(Service::smtp, "10.0.0.5", 2, LogStamp{2026, 5, 10, 9, 1, 0}, "<<< RCPT TO:<o@far.example>");
  }
  collect();
  // Session 1 ends in the later file; session 2's end came before its lines and is lost.
  EXPECT_EQ(sent(), oneSession);
  EXPECT_TRUE(finished.empty());
}

TEST_F(TrafficCollector, OnlyLowerCaseInitialsAreReadOthersAreFinished) {
  {
    auto capital = file("S1.log");
    session(capital, 1, LogStamp{2026, 5, 10, 9, 0, 0});
    auto other = file("x.txt");
    session(other, 2, LogStamp{2026, 5, 10, 9, 0, 0});
  }
  makeDirs(dir.path() + L"s-folder");
  collect();
  EXPECT_TRUE(traffic.at(L"a.example").empty());
  EXPECT_EQ(finished, (StringList{dir.path() + L"S1.log", dir.path() + L"x.txt"}));
}

TEST_F(TrafficCollector, PeriodBoundsDecideCreditAndFinishedFiles) {
  {
    auto before = file("s1.log");
    session(before, 1, LogStamp{2026, 5, 9, 23, 0, 0});
    auto inside = file("s2.log");
    session(inside, 2, LogStamp{2026, 5, 9, 23, 59, 0});  // ends in the period: only its last line applies
    session(inside, 3, LogStamp{2026, 5, 11, 10, 0, 0});
    auto after = file("s3.log");
    session(after, 4, LogStamp{2026, 5, 12, 0, 0, 0});  // "to" is exclusive
  }
  collect();
  EXPECT_EQ(sent(), oneSession);
  ASSERT_EQ(traffic.at(L"a.example").size(), 1u);
  EXPECT_EQ(traffic.at(L"a.example").begin()->first.wDay, 11);
  EXPECT_EQ(finished, (StringList{dir.path() + L"s1.log"}));
}

TEST_F(TrafficCollector, DamagedFileKeepsEarlierCreditsAndIsNotFinished) {
  {
    auto damaged = file("s1.log");
    session(damaged, 1, LogStamp{2026, 5, 10, 9, 0, 0});
    damaged.write(Service::smtp, "10.0.0.5", 2, LogStamp{2026, 5, 10, 9, 5, 0}, "<<< MAIL FROM:<x@a.example>");
    damaged.write(Service::smtp, "10.0.0.5", 2, LogStamp{2026, 5, 10, 9, 6, 0}, "<<< MAIL FROM:<y@a.example>");
    session(damaged, 3, LogStamp{2026, 5, 10, 9, 7, 0});
    auto broken = file("s2.log");
    broken.writeRaw("not a log line at all");
    auto old = file("s3.log");
    session(old, 4, LogStamp{2026, 5, 1, 9, 0, 0});
    auto good = file("s4.log");
    session(good, 5, LogStamp{2026, 5, 10, 10, 0, 0});
  }
  collect();
  EXPECT_EQ(sent(), 2 * oneSession);  // sessions 1 and 5
  EXPECT_EQ(finished, (StringList{dir.path() + L"s3.log"}));
}

TEST_F(TrafficCollector, SmtpAndPopSessionsAreKeptApart) {
  {
    auto pop = file("p1.log");
    pop.write(Service::pop3, "10.0.0.6", 1, LogStamp{2026, 5, 10, 9, 0, 0}, "<<< USER box@a.example");
    auto smtp = file("s1.log");
    session(smtp, 1, LogStamp{2026, 5, 10, 9, 0, 0}, false);
    auto popEnd = file("p2.log");
    popEnd.write(Service::pop3, "10.0.0.6", 1, LogStamp{2026, 5, 10, 9, 9, 0}, "Disconnected");
  }
  collect();
  const DayCounters& day = traffic.at(L"a.example").at(dayTime(2026, 5, 10));
  EXPECT_EQ(day, (DayCounters{0, 0, 0, 0, 0, 20}));  // "USER box@a.example" with its line end
}

TEST_F(TrafficCollector, MissingFolderGivesNothingAndCallsAccumulate) {
  TrafficMap none{{L"a.example", {}}};
  Dravo::collectTraffic(dir.path() + L"missing\\", from, to, none, finished);
  EXPECT_TRUE(none.at(L"a.example").empty());
  EXPECT_TRUE(finished.empty());
  {
    auto log = file("s1.log");
    session(log, 1, LogStamp{2026, 5, 10, 9, 0, 0});
  }
  collect();
  collect();
  EXPECT_EQ(sent(), 2 * oneSession);
  EXPECT_EQ(traffic.size(), 1u);  // no domain added
}

TEST_F(TrafficCollector, ProgressReportsEveryFileInOrder) {
  { file("s2.log"), file("p1.log"); }
  std::vector<std::wstring> seen;
  Dravo::collectTraffic(dir.path(), from, to, traffic, finished,
                        [&](std::size_t index, std::size_t count, const std::wstring& name) {
                          EXPECT_EQ(count, 2u);
                          EXPECT_EQ(index, seen.size());
                          seen.push_back(name);
                        });
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"p1.log", L"s2.log"}));
}
