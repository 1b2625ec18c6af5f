// Mailing lists with mailmgr.exe, as an administrator would, against a stand-in mail server
// of the test's own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "mailmgr/run_mailmgr.h"
#include "support/standin_server.h"

namespace {

using testing::HasSubstr;
namespace fs = std::filesystem;

class MailmgrLists : public StandinTest {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str()); }
  void TearDown() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr); }

  std::string ok(const std::vector<std::wstring>& arguments) {
    const MailmgrRun run = runMailmgr(arguments);
    EXPECT_EQ(run.exitCode, 0u) << utf8(arguments[0] + L" " + arguments[1]) << ": " << run.err;
    return run.out;
  }
  std::string memberFile(const std::wstring& relative) const {
    std::ifstream in(fs::path(server.configPath()) / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
};

TEST_F(MailmgrLists, ListLifeCycle) {
  ok({L"domain", L"create", L"example.com"});
  ok({L"domain", L"create", L"example.org"});
  ok({L"list", L"create", L"news@example.com", L"owner@example.com"});
  ok({L"list", L"add-member", L"news@example.com", L"a@x.org"});
  ok({L"list", L"add-member", L"news@example.com", L"b@x.org"});
  ok({L"list", L"add-member", L"news@example.com", L"a@x.org"});
  ok({L"list", L"del-member", L"news@example.com", L"a@x.org"});
  EXPECT_EQ(ok({L"list", L"members", L"news@example.com"}), "b@x.org\na@x.org\n");
  EXPECT_EQ(memberFile(L"example.com\\news.txt"), "b@x.org\r\na@x.org\r\n");

  const MailmgrRun absent = runMailmgr({L"list", L"del-member", L"news@example.com", L"c@x.org"});
  EXPECT_EQ(absent.exitCode, 1u);
  EXPECT_THAT(absent.err, HasSubstr("List does not contain c@x.org item"));

  ok({L"list", L"set-owner", L"news@example.com", L"boss@example.com"});
  ok({L"list", L"rename", L"news@example.com", L"letters"});
  ok({L"list", L"move", L"letters@example.com", L"example.org"});
  EXPECT_EQ(ok({L"list", L"list", L"example.org"}), "letters\n");
  EXPECT_EQ(ok({L"list", L"list", L"example.com"}), "");
  EXPECT_EQ(memberFile(L"example.org\\letters.txt"), "b@x.org\r\na@x.org\r\n");
  const std::string shown = ok({L"list", L"show", L"letters@example.org", L"--json"});
  EXPECT_THAT(shown, HasSubstr("\"owner\": \"boss@example.com\""));
  EXPECT_THAT(shown, HasSubstr("\"members\": [\"b@x.org\", \"a@x.org\"]"));

  ok({L"list", L"remove", L"letters@example.org"});
  EXPECT_EQ(ok({L"list", L"list", L"example.org"}), "");
  EXPECT_EQ(runMailmgr({L"list", L"show", L"letters@example.org"}).exitCode, 1u);
}

}  // namespace
