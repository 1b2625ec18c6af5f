#include "traffic/traffic_sessions.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "traffic/log_dir.h"

using Dravo::PopSessions;
using Dravo::SmtpSessions;

namespace {

const SYSTEMTIME day6 = dayTime(2026, 12, 6);

std::string at(const char* address, unsigned id, int day, const std::string& message) {
  return maillog::logLine(maillog::Service::smtp, address, id, maillog::LogStamp{2026, 12, day, 10, 0, 0}, message);
}

// Characters a direction line counts: its text and the line end.
std::uint64_t counted(const std::string& text) { return text.size() + 2; }

class TrafficSmtpSessions : public ::testing::Test {
 protected:
  void feed(unsigned id, const std::string& message, int day = 6) {
    Dravo::processSMTPTraffic(parsedLine(at("10.1.1.1", id, day, message)), sessions, traffic);
  }
  DayCounters counters(const std::wstring& domain, const SYSTEMTIME& day = day6) {
    const auto found = traffic.at(domain).find(day);
    return found == traffic.at(domain).end() ? DayCounters{} : found->second;
  }

  TrafficMap traffic{{L"a.example", {}}, {L"b.example", {}}};
  SmtpSessions sessions;
};

class TrafficPopSessions : public ::testing::Test {
 protected:
  void feed(const char* address, unsigned id, const std::string& message) {
    Dravo::processPOPTraffic(parsedLine(at(address, id, 6, message)), sessions, traffic);
  }

  TrafficMap traffic{{L"a.example", {}}};
  PopSessions sessions;
};

}  // namespace

TEST_F(TrafficSmtpSessions, MeasuredSenderToMeasuredAndOutsideRecipients) {
  feed(1, "<<< MAIL FROM:<x@a.example> SIZE=10");
  feed(1, "<<< RCPT TO:<r1@b.example>");
  feed(1, "<<< RCPT TO:<r2@b.example>");
  feed(1, "<<< RCPT TO:<o@far.example>");
  feed(1, ">>> 250 OK.");
  feed(1, "*** message accepted size 1001");
  feed(1, "Disconnected");
  const std::uint64_t first = counted("250 OK.");
  const std::uint64_t second = counted("MAIL FROM:<x@a.example> SIZE=10") + counted("RCPT TO:<r1@b.example>") * 2 +
                               counted("RCPT TO:<o@far.example>") + 1001;
  EXPECT_EQ(counters(L"a.example"), (DayCounters{first, second, 0, 0, 0, 0}));
  // Two listed recipients of b.example, each credited an integer half.
  EXPECT_EQ(counters(L"b.example"), (DayCounters{0, 0, first / 2 * 2, second / 2 * 2, 0, 0}));
  EXPECT_TRUE(sessions.empty());
}

TEST_F(TrafficSmtpSessions, RecipientsAllOutsideCreditOnlyTheSender) {
  feed(2, "Client session >>> MAIL FROM:<x@a.example>");
  feed(2, "Client session <<< 250 OK");
  feed(2, "Client session >>> RCPT TO:<o@far.example>");
  feed(2, "Disconnected");
  // In a client session the server sends: ">>>" lines are the second counter.
  const std::uint64_t second = counted("MAIL FROM:<x@a.example>") + counted("RCPT TO:<o@far.example>");
  EXPECT_EQ(counters(L"a.example"), (DayCounters{counted("250 OK"), second, 0, 0, 0, 0}));
  EXPECT_TRUE(traffic.at(L"b.example").empty());
}

TEST_F(TrafficSmtpSessions, RecipientsAllMeasuredCreditOnlyTheRecipients) {
  feed(3, "<<< MAIL FROM:<x@a.example>");
  feed(3, "<<< RCPT TO:<r@b.example>");
  feed(3, "<<< RCPT TO:<s@a.example>");
  feed(3, "Disconnected");
  const std::uint64_t second = counted("MAIL FROM:<x@a.example>") + counted("RCPT TO:<r@b.example>") * 2;
  EXPECT_EQ(counters(L"a.example"), (DayCounters{0, 0, 0, second / 2, 0, 0}));
  EXPECT_EQ(counters(L"b.example"), (DayCounters{0, 0, 0, second / 2, 0, 0}));
}

TEST_F(TrafficSmtpSessions, NoRecipientsAndOtherCaseDomainsCreditNothing) {
  feed(4, "<<< MAIL FROM:<x@a.example>");
  feed(4, "Disconnected");
  feed(5, "<<< MAIL FROM:<x@A.EXAMPLE>");
  feed(5, "<<< RCPT TO:<r@B.example>");
  feed(5, "Disconnected");
  EXPECT_TRUE(traffic.at(L"a.example").empty());
  EXPECT_TRUE(traffic.at(L"b.example").empty());
}

TEST_F(TrafficSmtpSessions, NullSenderAndLowerCaseCommands) {
  feed(6, "<<< mail from:<> SIZE=5");
  feed(6, "<<< rcpt to:<r@b.example>");
  feed(6, "Disconnected");
  const std::uint64_t second = counted("mail from:<> SIZE=5") + counted("rcpt to:<r@b.example>");
  EXPECT_EQ(counters(L"b.example"), (DayCounters{0, 0, 0, second, 0, 0}));
}

TEST_F(TrafficSmtpSessions, CreditsOnTheDayOfDisconnection) {
  feed(7, "<<< MAIL FROM:<x@a.example>", 6);
  feed(7, "<<< RCPT TO:<o@far.example>", 6);
  feed(7, "Disconnected", 7);
  EXPECT_EQ(traffic.at(L"a.example").size(), 1u);
  EXPECT_EQ(counters(L"a.example", dayTime(2026, 12, 7))[1],
            counted("MAIL FROM:<x@a.example>") + counted("RCPT TO:<o@far.example>"));
}

TEST_F(TrafficSmtpSessions, SecondSenderAndMissingSizeFail) {
  feed(8, "<<< MAIL FROM:<x@a.example>");
  try {
    feed(8, "<<< MAIL FROM:<y@a.example>");
    FAIL() << "no failure";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Multi MAIL FROM: headers detected");
    EXPECT_EQ(e.trace().front().function, "Dravo::processSMTPTraffic");
  }
  // An empty MAIL FROM does not count as a second sender.
  EXPECT_NO_THROW(feed(8, "<<< MAIL FROM:"));
  try {
    feed(9, "*** message accepted");
    FAIL() << "no failure";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Wrong log file format. Size expected");
  }
}

TEST_F(TrafficSmtpSessions, DisconnectWithoutSessionAndPlainLinesCreateNothing) {
  feed(10, "Disconnected");
  feed(10, "Connected from somewhere");
  EXPECT_TRUE(sessions.empty());
  EXPECT_TRUE(traffic.at(L"a.example").empty());
}

TEST_F(TrafficSmtpSessions, ReusedIdAfterDisconnectStartsAfresh) {
  feed(11, "<<< MAIL FROM:<x@a.example>");
  feed(11, "<<< RCPT TO:<o@far.example>");
  feed(11, "Disconnected");
  EXPECT_NO_THROW(feed(11, "<<< MAIL FROM:<y@a.example>"));
  EXPECT_EQ(sessions.at(11).first, 0u);
  EXPECT_TRUE(sessions.at(11).recipients.empty());
}

TEST_F(TrafficPopSessions, UsersCountedPerLoginWithSizes) {
  feed("10.2.2.2", 5, ">>> +OK ready");
  feed("10.2.2.2", 5, "<<< USER box@a.example");
  feed("10.2.2.2", 5, "*** retrieved message 700 extra");
  feed("10.2.2.2", 5, "<<< USER box@a.example");
  feed("10.2.2.2", 5, "<<< USER box@far.example");
  feed("10.2.2.2", 5, "Disconnected");
  const std::uint64_t first = counted("+OK ready") + 700;
  const std::uint64_t second = counted("USER box@a.example") * 2 + counted("USER box@far.example");
  // Logged in twice: credited twice.
  EXPECT_EQ(traffic.at(L"a.example").at(day6), (DayCounters{0, 0, 0, 0, 2 * first, 2 * second}));
}

TEST_F(TrafficPopSessions, LocalLinesAreIgnoredEvenTheDisconnect) {
  feed("127.0.0.1", 6, "<<< USER box@a.example");
  EXPECT_TRUE(sessions.empty());
  feed("10.2.2.2", 6, "<<< USER box@a.example");
  feed("127.0.0.1", 6, "Disconnected");
  EXPECT_EQ(sessions.size(), 1u);
  EXPECT_TRUE(traffic.at(L"a.example").empty());
}

TEST_F(TrafficPopSessions, MissingSizeFails) {
  EXPECT_THROW(feed("10.2.2.2", 7, "*** retrieved"), vexception);
}
