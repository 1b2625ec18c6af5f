// Reading a log folder: the rules of sessions, files, repeated calls and progress that the
// generated logs do not exercise, and generated logs against their generator's totals.

#include "traffic/traffic_collector.h"

#include <gtest/gtest.h>

#include <vector>

#include "traffic/traffic_results.h"
#include "traffic_log_generator.h"

using maillog::LogStamp;

namespace {

// Characters a direction line counts: its text and the line end.
std::uint64_t counted(const std::string& text) { return text.size() + 2; }

class TrafficCollector : public ::testing::Test {
 protected:
  // Appends lines of one session to the named file a minute apart (a null line is left out);
  // "p" files are POP3's.
  void write(const std::string& name, unsigned id, LogStamp at, std::vector<const char*> messages, const char* address = "10.0.0.5") {
    maillog::LogFileWriter writer(std::string(dir.begin(), dir.end()) + name, true);
    const auto service = name[0] == 'p' ? maillog::Service::pop3 : maillog::Service::smtp;
    for (const char* message : messages) {
      if (message) writer.write(service, address, id, at, message);
      ++at.minute;
    }
  }
  // A session of x@a.example to an outside recipient.
  void session(const std::string& name, unsigned id, LogStamp at, bool withEnd = true) {
    write(name, id, at, {"<<< MAIL FROM:<x@a.example>", "<<< RCPT TO:<o@far.example>", withEnd ? "Disconnected" : nullptr});
  }
  void collect() { Dravo::collectTraffic(dir, dayTime(2026, 5, 10), dayTime(2026, 5, 12), traffic, finished); }
  // One counter of a domain summed over all days.
  std::uint64_t total(const wchar_t* domain, int counter) const {
    std::uint64_t sum = 0;
    for (const auto& day : traffic.at(domain)) sum += day.second[counter];
    return sum;
  }
  std::uint64_t sent() const { return total(L"a.example", 1); }

  static constexpr std::uint64_t oneSession = 25 + 25;  // the two command lines with their line ends
  ScratchDir scratch;
  const std::wstring dir = scratch.path() + L"\\";  // as the reading takes it
  TrafficMap traffic{{L"a.example", {}}, {L"b.example", {}}};
  StringList finished;
};

}  // namespace

TEST_F(TrafficCollector, SessionsContinueAcrossFilesInSortedNameOrder) {
  session("s10.log", 1, LogStamp{2026, 5, 10, 9, 0, 0}, false);  // "s10.log" sorts before "s2.log"
  write("s10.log", 2, LogStamp{2026, 5, 10, 9, 3, 0}, {"Disconnected"});
  write("s2.log", 1, LogStamp{2026, 5, 10, 9, 5, 0}, {"Disconnected"});
  session("s2.log", 2, LogStamp{2026, 5, 10, 9, 6, 0}, false);
  collect();
  // Session 1 ends in the later file; session 2's end came before its lines and is lost.
  EXPECT_EQ(sent(), oneSession);
  EXPECT_TRUE(finished.empty());
}

TEST_F(TrafficCollector, OnlyLowerCaseInitialsAreReadOthersAreFinished) {
  session("S1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  session("x.txt", 2, LogStamp{2026, 5, 10, 9, 0, 0});
  scratch.dir(L"s-folder");
  collect();
  EXPECT_TRUE(traffic.at(L"a.example").empty());
  EXPECT_EQ(finished, (StringList{dir + L"S1.log", dir + L"x.txt"}));
}

// A line that fails its file (a second sender, a "***" line without its size, no log line)
// is the mutation sweep's, against its reference reading.
TEST_F(TrafficCollector, NullSenderCreditsOnlyTheRecipientAnEmptyMailFromIsNoSenderAndAReusedIdStartsAfresh) {
  write("s1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0}, {"<<< mail from:<> SIZE=5", "<<< rcpt to:<r@b.example>", "Disconnected"});
  write("s1.log", 1, LogStamp{2026, 5, 11, 9, 0, 0}, {"<<< MAIL FROM:<x@a.example>", "<<< MAIL FROM:", "<<< RCPT TO:<o@far.example>", "Disconnected"});
  session("s1.log", 2, LogStamp{2026, 5, 11, 10, 0, 0});  // the file is read on
  collect();
  EXPECT_EQ(flatTraffic(traffic), (std::map<std::wstring, DayCounters>{
                                      {L"a.example 2026-05-11", {0, 2 * oneSession + counted("MAIL FROM:"), 0, 0, 0, 0}},
                                      {L"b.example 2026-05-10", {0, 0, 0, counted("mail from:<> SIZE=5") + counted("rcpt to:<r@b.example>"), 0, 0}}}));
}

TEST_F(TrafficCollector, PopUsersAreCreditedPerLoginAndALocalDisconnectIsIgnored) {
  write("p1.log", 5, LogStamp{2026, 5, 10, 9, 0, 0}, {">>> +OK ready", "<<< USER box@a.example", "*** retrieved message 700 extra",
                                                      "<<< USER box@a.example", "<<< USER box@far.example", "Disconnected"});
  write("p1.log", 6, LogStamp{2026, 5, 10, 10, 0, 0}, {"<<< USER box@b.example"});
  write("p1.log", 6, LogStamp{2026, 5, 10, 11, 0, 0}, {"Disconnected"}, "127.0.0.1");
  write("p1.log", 6, LogStamp{2026, 5, 11, 9, 0, 0}, {"Disconnected"});
  collect();
  const std::uint64_t first = counted("+OK ready") + 700, second = counted("USER box@a.example") * 2 + counted("USER box@far.example");
  EXPECT_EQ(flatTraffic(traffic), (std::map<std::wstring, DayCounters>{{L"a.example 2026-05-10", {0, 0, 0, 0, 2 * first, 2 * second}},
                                                                       {L"b.example 2026-05-11", {0, 0, 0, 0, 0, counted("USER box@b.example")}}}));
}

TEST_F(TrafficCollector, MissingFolderGivesNothingAndCallsAccumulate) {
  Dravo::collectTraffic(dir + L"missing\\", dayTime(2026, 5, 10), dayTime(2026, 5, 12), traffic, finished);
  EXPECT_TRUE(traffic.at(L"a.example").empty() && finished.empty());
  session("s1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  collect();
  collect();
  EXPECT_EQ(sent(), 2 * oneSession);
  EXPECT_EQ(traffic.size(), 2u);  // no domain added
}

TEST_F(TrafficCollector, ProgressReportsEveryFileInOrder) {
  session("s2.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  session("p1.log", 1, LogStamp{2026, 5, 10, 9, 0, 0});
  std::vector<std::wstring> seen;
  Dravo::collectTraffic(dir, dayTime(2026, 5, 10), dayTime(2026, 5, 12), traffic, finished,
                        [&](std::size_t index, std::size_t count, const std::wstring& name) {
                          EXPECT_EQ(std::pair(index, count), std::pair(seen.size(), std::size_t{2}));
                          seen.push_back(name);
                        });
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"p1.log", L"s2.log"}));
}

// Client sessions, several recipients, the day of disconnection and local POP3 peers, on
// several shapes of generated logs; their damage is the mutation sweep's.
TEST(TrafficGeneratedLogs, ReaderMatchesGeneratorOnSeveralShapesAndSeeds) {
  TrafficShape many, pop, inside, single;
  many.measuredDomains = 30, many.outsideDomains = 10, many.maxRecipients = 8;
  pop.popPercent = 90, pop.localPercent = 40, pop.days = 5, pop.sessionsPerDay = 60;
  inside.outsideDomains = 0, inside.otherCasePercent = 20, inside.unfinishedPercent = 30;
  single.measuredDomains = single.outsideDomains = single.maxRecipients = single.days = 1, single.sessionsPerDay = 30;
  const std::pair<const char*, TrafficShape> shapes[] = {{"default", {}}, {"many domains", many}, {"mostly pop3", pop}, {"all measured", inside}, {"sparse", single}};
  for (const auto& [name, shape] : shapes) {
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(name) + ", seed " + std::to_string(seed));
      ScratchDir scratch;
      const std::wstring dir = scratch.path() + L"\\";
      const GeneratedTraffic generated = generateTrafficLogs(dir, shape, seed);
      TrafficMap traffic = generated.emptyTraffic();
      StringList finished;
      Dravo::collectTraffic(dir, generated.from, generated.to, traffic, finished);
      EXPECT_EQ(flatTraffic(traffic), flatTraffic(generated.expected));
      EXPECT_EQ(finished, generated.expectedFinished);
      EXPECT_FALSE(generated.expectedFinished.empty());
      EXPECT_GT(flatTraffic(traffic).size(), 0u);  // the comparison is about real traffic
    }
  }
}
