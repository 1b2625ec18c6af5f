// Changing domains and mail names with mailmgr.exe, as an administrator would, against a
// stand-in mail server of the test's own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "mailmgr/run_mailmgr.h"
#include "support/standin_server.h"

namespace {

using testing::HasSubstr;
namespace fs = std::filesystem;

class MailmgrObjects : public StandinTest {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str()); }
  void TearDown() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr); }

  // Runs a command that must succeed and returns its standard output.
  std::string ok(const std::vector<std::wstring>& arguments) {
    const MailmgrRun run = runMailmgr(arguments);
    EXPECT_EQ(run.exitCode, 0u) << utf8(arguments.front()) << ": " << run.err;
    return run.out;
  }
};

TEST_F(MailmgrObjects, DomainLifeCycle) {
  ok({L"domain", L"create", L"example.com", L"--limit", L"100M"});
  EXPECT_EQ(ok({L"domain", L"disable", L"example.com"}), "Disabled domain example.com\n");
  EXPECT_EQ(ok({L"domain", L"list"}), "example.com\n") << "listed without the disabled suffix";
  EXPECT_THAT(ok({L"domain", L"show", L"example.com"}), HasSubstr("disabled"));
  ok({L"domain", L"enable", L"example.com"});
  ok({L"domain", L"set-limit", L"example.com", L"--mailbox", L"1500", L"--total", L"1G"});
  const std::string shown = ok({L"domain", L"show", L"example.com", L"--json"});
  EXPECT_THAT(shown, HasSubstr("\"mailboxLimit\": 1024"));
  EXPECT_THAT(shown, HasSubstr("\"enabled\": true"));
  ok({L"domain", L"catch-all", L"example.com", L"all@example.com"});
  EXPECT_THAT(ok({L"domain", L"show", L"example.com"}), HasSubstr("forwarded to all@example.com"));
  ok({L"domain", L"discard", L"example.com", L"on"});
  EXPECT_THAT(ok({L"domain", L"show", L"example.com"}), HasSubstr("mail discarded"));
  ok({L"domain", L"rename", L"example.com", L"example.org"});
  EXPECT_EQ(ok({L"domain", L"list"}), "example.org\n");
}

TEST_F(MailmgrObjects, MailNameLifeCycleMovesTheMailbox) {
  ok({L"domain", L"create", L"example.com"});
  ok({L"domain", L"create", L"xn--bcher-kva.example"});
  ok({L"mailname", L"create", L"sales@example.com", L"--quota", L"50M"});
  fs::create_directories(fs::path(server.mailPath()) / L"example.com" / L"sales");
  ok({L"mailname", L"forward-add", L"sales@example.com", L"boss@example.net"});
  EXPECT_EQ(ok({L"mailname", L"forwards", L"sales@example.com"}), "boss@example.net\n");
  ok({L"mailname", L"mailbox", L"sales@example.com", L"on"});
  EXPECT_EQ(ok({L"mailname", L"forwards", L"sales@example.com"}), "boss@example.net\n") << "forwards follow the switch";
  ok({L"mailname", L"alias-add", L"sales@example.com", L"orders"});
  EXPECT_EQ(ok({L"mailname", L"aliases", L"sales@example.com"}), "sales\norders\n");
  ok({L"mailname", L"rename", L"sales@example.com", L"team"});
  ok({L"mailname", L"move", L"team@example.com", L"xn--bcher-kva.example"});
  EXPECT_EQ(ok({L"mailname", L"list", L"example.com"}), "");
  EXPECT_EQ(ok({L"mailname", L"list", L"xn--bcher-kva.example"}), "team@xn--bcher-kva.example\n");
  EXPECT_TRUE(fs::exists(fs::path(server.mailPath()) / L"xn--bcher-kva.example" / L"team"));
  EXPECT_THAT(ok({L"mailname", L"set-quota", L"team@xn--bcher-kva.example", L"unlimited"}), HasSubstr("unlimited"));
}

TEST_F(MailmgrObjects, RefusalsOfTheModuleExitOneWithItsMessage) {
  ok({L"domain", L"create", L"example.com"});
  ok({L"mailname", L"create", L"info@example.com"});
  const MailmgrRun last = runMailmgr({L"mailname", L"alias-remove", L"info@example.com", L"info"});
  EXPECT_EQ(last.exitCode, 1u);
  EXPECT_THAT(last.err, HasSubstr("Run-Time error: Account must have at least one alias. Account info"));
  const MailmgrRun missing = runMailmgr({L"domain", L"disable", L"xn--mnchen-3ya.de"});
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_THAT(missing.err, HasSubstr("OpenDomain failed for name=xn--mnchen-3ya.de [m\xc3\xbcnchen.de]"));
  const MailmgrRun usage = runMailmgr({L"domain", L"discard", L"example.com", L"maybe"});
  EXPECT_EQ(usage.exitCode, 2u);
  EXPECT_THAT(usage.err, HasSubstr("expected on or off"));
  const MailmgrRun both = runMailmgr({L"domain", L"catch-all", L"example.com", L"a@b.c", L"--off"});
  EXPECT_EQ(both.exitCode, 2u);
}

}  // namespace
