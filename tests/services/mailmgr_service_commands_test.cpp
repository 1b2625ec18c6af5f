// The mail manager's service and reset commands, run as a child process against the
// stand-in services and a stand-in mail server of the test's own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mailmgr/run_mailmgr.h"
#include "services/test_service.h"
#include "support/standin_server.h"

namespace {

using testing::HasSubstr;

class MailmgrServices : public StandinTest {
 protected:
  void SetUp() override {
    SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str());
    for (const wchar_t* name : {L"DravoSMTP", L"DravoPOP3", L"DravoControl"}) {
      setBehaviour(name, {});
      stopAndAwait(name);
    }
  }
  void TearDown() override {
    SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr);
    stopAndAwait(L"DravoSMTP");
  }
  std::string ok(const std::vector<std::wstring>& arguments) {
    const MailmgrRun run = runMailmgr(arguments);
    EXPECT_EQ(run.exitCode, 0u) << utf8(arguments.front()) << ": " << run.err;
    return run.out;
  }
};

TEST_F(MailmgrServices, ListStatusStartStop) {
  EXPECT_EQ(ok({L"service", L"list"}), "DravoSMTP\nDravoPOP3\nDravoControl\n");
  EXPECT_EQ(ok({L"service", L"status", L"smtp"}), "SMTP: not running\n");
  EXPECT_EQ(ok({L"service", L"start", L"smtp"}), "SMTP: started\n");
  EXPECT_THAT(ok({L"service", L"status", L"SMTP", L"--json"}), HasSubstr("\"started\": true"));
  EXPECT_EQ(ok({L"service", L"stop", L"smtp"}), "SMTP: stopped\n");
  EXPECT_EQ(ok({L"service", L"stop", L"smtp"}), "SMTP: stopped\n");
  const MailmgrRun bad = runMailmgr({L"service", L"start", L"imap"});
  EXPECT_EQ(bad.exitCode, 2u);
  EXPECT_THAT(bad.err, HasSubstr("smtp or pop3"));
}

TEST_F(MailmgrServices, ResetNeedsConfirmationAndThenEmptiesTheServer) {
  ok({L"domain", L"create", L"example.com"});
  const MailmgrRun refused = runMailmgr({L"server", L"reset"});
  EXPECT_EQ(refused.exitCode, 2u);
  EXPECT_THAT(refused.err, HasSubstr("--yes"));
  EXPECT_EQ(ok({L"domain", L"list"}), "example.com\n") << "nothing removed without --yes";
  ok({L"service", L"start", L"smtp"});
  ok({L"server", L"reset", L"--yes"});
  EXPECT_EQ(ok({L"domain", L"list"}), "");
  EXPECT_EQ(ok({L"service", L"status", L"smtp"}), "SMTP: running\n");
}

}  // namespace
