// The mail manager's service and reset commands, run as a child process against the
// stand-in services and a stand-in mail server of the test's own.

#include <gtest/gtest.h>

#include "mailmgr/run_mailmgr.h"
#include "services/test_service.h"
#include "support/standin_server.h"

namespace {

class MailmgrServices : public StandinTest {
 protected:
  void SetUp() override {
    SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str());
    resetMailServices();
  }
  void TearDown() override { resetMailServices(); }
};

TEST_F(MailmgrServices, ListStatusStartStopAndResetOnlyWithYes) {
  expectRuns({{{L"service", L"list"}, "DravoSMTP\nDravoPOP3\nDravoControl\n"},
              {{L"service", L"status", L"smtp"}, "SMTP: not running\n"},
              {{L"service", L"start", L"imap"}, "mailmgr: KIND must be smtp or pop3, not 'imap'", 2},
              {{L"service", L"start", L"smtp"}, "SMTP: started\n"},
              {{L"service", L"status", L"SMTP", L"--json"}, "\"started\": true"},
              {{L"service", L"stop", L"smtp"}, "SMTP: stopped\n"},
              {{L"domain", L"create", L"example.com"}, ""},
              {{L"server", L"reset"}, "repeat with --yes to go ahead", 2},
              {{L"domain", L"list"}, "example.com\n"},  // nothing removed without --yes
              {{L"service", L"start", L"smtp"}, ""},
              {{L"server", L"reset", L"--yes"}, ""},
              {{L"domain", L"list", L"--json"}, "[]"},
              {{L"service", L"status", L"smtp"}, "SMTP: running\n"}});
}

}  // namespace
