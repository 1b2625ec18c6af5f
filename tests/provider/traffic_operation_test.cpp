// Traffic through the provider's table entry, from log files written the way the mail
// server writes them into the log directory that the stand-in server publishes.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "automation/call_patterns.h"
#include "maillog/mail_log_writer.h"
#include "provider/dravo_provider.h"
#include "support/slot.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
using maillog::LogStamp;
using maillog::Service;
namespace fs = std::filesystem;

// Characters a direction line counts: its text and the line end.
std::uint64_t counted(const std::string& text) { return text.size() + 2; }

SYSTEMTIME day(int d) {
  SYSTEMTIME t{};
  t.wYear = 2026, t.wMonth = 3, t.wDay = static_cast<WORD>(d);
  return t;
}

class TrafficThroughProvider : public StandinTest {
 protected:
  void TearDown() override { provider_->release(); }

  // Slot 37, as the mail manager reaches it.
  void traffic(TrafficMap& map, StringList& finished, int fromDay = 1, int toDay = 31) {
    callSlot<void(const SYSTEMTIME&, const SYSTEMTIME&, TrafficMap&, StringList&)>(
        static_cast<MailProvider*>(provider_), 37, day(fromDay), day(toDay), map, finished);
  }
  static void smtpSession(maillog::LogFileWriter& log, unsigned id, int d) {
    log.write(Service::smtp, "198.51.100.9", id, LogStamp{2026, 3, d, 9, 0, 0}, ">>> 220 ready");
    log.write(Service::smtp, "198.51.100.9", id, LogStamp{2026, 3, d, 9, 0, 1}, "<<< MAIL FROM:<ann@a.example>");
    log.write(Service::smtp, "198.51.100.9", id, LogStamp{2026, 3, d, 9, 0, 2}, "<<< RCPT TO:<bob@b.example>");
    log.write(Service::smtp, "198.51.100.9", id, LogStamp{2026, 3, d, 9, 0, 3}, "<<< RCPT TO:<cy@far.example>");
    log.write(Service::smtp, "198.51.100.9", id, LogStamp{2026, 3, d, 9, 0, 4}, "Disconnected");
  }
  static std::string narrow(const fs::path& path) { return path.string(); }

  DravoProvider* provider_ = new DravoProvider;
};

TEST_F(TrafficThroughProvider, ReadsTheLogDirectoryTheServerPublishes) {
  const fs::path logs = server.logPath();
  {
    maillog::LogFileWriter smtp(narrow(logs / maillog::logFileName(Service::smtp, LogStamp{2026, 3, 4})), false);
    smtpSession(smtp, 1, 4);
    smtpSession(smtp, 2, 5);
    maillog::LogFileWriter pop(narrow(logs / maillog::logFileName(Service::pop3, LogStamp{2026, 3, 5})), false);
    pop.write(Service::pop3, "198.51.100.20", 7, LogStamp{2026, 3, 5, 12, 0, 0}, "<<< USER bob@b.example");
    pop.write(Service::pop3, "198.51.100.20", 7, LogStamp{2026, 3, 5, 12, 0, 1}, "*** retrieved message 900");
    pop.write(Service::pop3, "198.51.100.20", 7, LogStamp{2026, 3, 5, 12, 0, 2}, "Disconnected");
  }
  const std::uint64_t out = counted("220 ready");
  const std::uint64_t in = counted("MAIL FROM:<ann@a.example>") + counted("RCPT TO:<bob@b.example>") +
                           counted("RCPT TO:<cy@far.example>");

  TrafficMap map{{L"a.example", {}}, {L"b.example", {}}};
  StringList finished;
  traffic(map, finished, 5, 6);
  ASSERT_EQ(map.at(L"a.example").size(), 1u) << "the session of the 4th is outside the period";
  EXPECT_EQ(map.at(L"a.example").at(day(5)), (DayCounters{out, in, 0, 0, 0, 0}));
  EXPECT_EQ(map.at(L"b.example").at(day(5)),
            (DayCounters{0, 0, out, in, 900, counted("USER bob@b.example")}));
  EXPECT_TRUE(finished.empty()) << "files of the period's days are read again next time";

  // Another log directory published by the server is where the provider reads next.
  const fs::path moved = fs::path(server.root()) / L"OtherLogs";
  fs::create_directories(moved);
  ApiObject api;
  writeProperties(api, {{L"C_LogPath", Variant(moved.wstring())}}, [] { return std::wstring(L"log path"); },
                  site("test", 1));
  {
    maillog::LogFileWriter smtp(narrow(moved / maillog::logFileName(Service::smtp, LogStamp{2026, 3, 5})), false);
    smtpSession(smtp, 3, 5);
  }
  TrafficMap again{{L"a.example", {}}};
  traffic(again, finished, 5, 6);
  EXPECT_EQ(again.at(L"a.example").at(day(5)), (DayCounters{out, in, 0, 0, 0, 0}))
      << "only the one session of the other directory";
}

}  // namespace
