// Rules of single sessions that the generated logs do not exercise; the ordinary ones
// (client sessions, several recipients, the day of disconnection, local POP3 peers) are
// among the generated logs' checks.

#include "traffic/traffic_sessions.h"

#include <gtest/gtest.h>

#include "support/raised.h"
#include "traffic/log_dir.h"

namespace {

const SYSTEMTIME day6 = dayTime(2026, 12, 6);

// Characters a direction line counts: its text and the line end.
std::uint64_t counted(const std::string& text) { return text.size() + 2; }

class TrafficSessions : public ::testing::Test {
 protected:
  void smtp(unsigned id, const std::string& message) { Dravo::processSMTPTraffic(line("10.1.1.1", id, message), smtpSessions, traffic); }
  void pop(const char* address, unsigned id, const std::string& message) { Dravo::processPOPTraffic(line(address, id, message), popSessions, traffic); }
  static Dravo::DravoLogFile::LogLine line(const char* address, unsigned id, const std::string& message) {
    return parsedLine(maillog::logLine(maillog::Service::smtp, address, id, maillog::LogStamp{2026, 12, 6, 10, 0, 0}, message));
  }
  TrafficMap traffic{{L"a.example", {}}, {L"b.example", {}}};
  Dravo::SmtpSessions smtpSessions;
  Dravo::PopSessions popSessions;
};

}  // namespace

TEST_F(TrafficSessions, NullSenderCreditsOnlyTheRecipientAndAReusedIdStartsAfresh) {
  smtp(1, "<<< mail from:<> SIZE=5");
  smtp(1, "<<< rcpt to:<r@b.example>");
  smtp(1, "Disconnected");
  EXPECT_TRUE(traffic.at(L"a.example").empty());
  EXPECT_EQ(traffic.at(L"b.example").at(day6), (DayCounters{0, 0, 0, counted("mail from:<> SIZE=5") + counted("rcpt to:<r@b.example>"), 0, 0}));
  EXPECT_TRUE(smtpSessions.empty());
  smtp(1, "<<< MAIL FROM:<y@a.example>");
  EXPECT_EQ(smtpSessions.at(1).first, 0u);
  EXPECT_TRUE(smtpSessions.at(1).recipients.empty());
}

TEST_F(TrafficSessions, SecondSenderAndMissingSizesFail) {
  smtp(8, "<<< MAIL FROM:<x@a.example>");
  EXPECT_EQ(raised([&] { smtp(8, "<<< MAIL FROM:<y@a.example>"); }), L"Run-Time error: Multi MAIL FROM: headers detected @ Dravo::processSMTPTraffic");
  EXPECT_NO_THROW(smtp(8, "<<< MAIL FROM:")) << "an empty MAIL FROM is no second sender";
  EXPECT_EQ(raised([&] { smtp(9, "*** message accepted"); }), L"Run-Time error: Wrong log file format. Size expected @ Dravo::processSMTPTraffic");
  EXPECT_EQ(raised([&] { pop("10.2.2.2", 7, "*** retrieved"); }), L"Run-Time error: Wrong log file format. Size expected @ Dravo::processPOPTraffic");
}

TEST_F(TrafficSessions, PopUsersAreCreditedPerLoginAndALocalDisconnectIsIgnored) {
  for (const char* message : {">>> +OK ready", "<<< USER box@a.example", "*** retrieved message 700 extra", "<<< USER box@a.example",
                              "<<< USER box@far.example", "Disconnected"}) {
    pop("10.2.2.2", 5, message);
  }
  const std::uint64_t first = counted("+OK ready") + 700;
  const std::uint64_t second = counted("USER box@a.example") * 2 + counted("USER box@far.example");
  EXPECT_EQ(traffic.at(L"a.example").at(day6), (DayCounters{0, 0, 0, 0, 2 * first, 2 * second}));
  pop("10.2.2.2", 6, "<<< USER box@a.example");
  pop("127.0.0.1", 6, "Disconnected");
  EXPECT_EQ(popSessions.size(), 1u);
}
