// Server-wide settings, the lists in the mail server's files, domain aliases and traffic
// with mailmgr.exe, as an administrator would, against a stand-in mail server of the
// test's own.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "automation/automation_objects.h"
#include "maillog/mail_log_writer.h"
#include "mailmgr/json_reader.h"
#include "mailmgr/run_mailmgr.h"
#include "support/standin_server.h"

namespace {

using testing::HasSubstr;
using testing::Not;
namespace fs = std::filesystem;

class MailmgrSettings : public StandinTest {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str()); }
  void TearDown() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr); }

  std::string ok(const std::vector<std::wstring>& arguments) {
    const MailmgrRun run = runMailmgr(arguments);
    EXPECT_EQ(run.exitCode, 0u) << utf8(arguments.front()) << " " << utf8(arguments.at(1)) << ": " << run.err;
    return run.out;
  }
  // A command that must fail with the exit status and a message containing text.
  void fails(const std::vector<std::wstring>& arguments, unsigned long status, const std::string& text) {
    const MailmgrRun run = runMailmgr(arguments);
    EXPECT_EQ(run.exitCode, status) << utf8(arguments.at(1)) << ": " << run.out;
    EXPECT_THAT(run.err, HasSubstr(text));
  }
  std::string configFile(const wchar_t* name) const {
    std::ifstream in(fs::path(server.configPath()) / name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The stand-in's record as the child processes left it on disk: this process reloads it.
  static Dravo::ApiObject reloaded() {
    Dravo::ApiObject api;
    api.done();
    api.init();
    return api;
  }
  long stored(const wchar_t* property) { return reloaded().getNumber(property); }
};

TEST_F(MailmgrSettings, ServerWideSettings) {
  EXPECT_EQ(ok({L"settings", L"max-size", L"5000"}), "Maximum message size 5000\n");
  EXPECT_EQ(ok({L"settings", L"relay", L"2", L"--auth", L"pop3", L"--value", L"30"}),
            "Relaying: mode 2, POP3 before SMTP (value 30)\n");
  ok({L"settings", L"dns", L"192.0.2.53"});
  const std::string shown = ok({L"settings", L"show"});
  EXPECT_THAT(shown, HasSubstr("Maximum message size:  5000"));
  EXPECT_THAT(shown, HasSubstr("mode 2, POP3 before SMTP (value 30)"));
  EXPECT_THAT(shown, HasSubstr("DNS server:            192.0.2.53"));

  ok({L"settings", L"max-size", L"off"});
  ok({L"settings", L"relay", L"2", L"--auth", L"smtp"});
  const JsonNode json = parseJson(ok({L"settings", L"show", L"--json"}));
  EXPECT_EQ(json[L"maxMessageSize"].kind, JsonNode::Kind::null);
  EXPECT_EQ(json[L"relay"][L"authorization"].number, 3);
  EXPECT_EQ(json[L"relay"][L"value"].number, 30) << "the value stays when SMTP authentication is chosen";
  EXPECT_EQ(stored(L"C_Config_Exchange_MaxDataSize"), 5000) << "switching off keeps the number";

  fails({L"settings", L"relay", L"0"}, 1, "Relay w/o authorization does not supported");
  fails({L"settings", L"relay", L"2"}, 2, "--auth");
  fails({L"settings", L"relay", L"1", L"--value", L"5"}, 2, "--value goes with --auth pop3");
  fails({L"settings", L"max-size", L"12k"}, 2, "must be a number");
  EXPECT_EQ(stored(L"C_Config_Delivery_POP3SMTPRelay"), 0) << "refused commands changed nothing";

  EXPECT_EQ(ok({L"settings", L"mail-path", L"D:\\Store"}), "Mail store D:\\Store\\\n");
}

TEST_F(MailmgrSettings, ListsInTheServersFiles) {
  ok({L"blacklist", L"add", L"spam.example"});
  ok({L"blacklist", L"add", L"junk.example"});
  EXPECT_EQ(ok({L"blacklist", L"list"}), "spam.example\njunk.example\n");
  EXPECT_EQ(configFile(L"filter.dat"), "0:spam.example\r\n0:junk.example\r\n");
  EXPECT_EQ(stored(L"C_Config_Delivery_GlobalFilter"), 1);
  fails({L"blacklist", L"remove", L"other.example"}, 1, "Domain not found in black list. Domain = other.example");
  ok({L"blacklist", L"remove", L"spam.example"});
  ok({L"blacklist", L"remove", L"junk.example"});
  EXPECT_EQ(ok({L"blacklist", L"list", L"--json"}), "[]\n");
  EXPECT_EQ(stored(L"C_Config_Delivery_GlobalFilter"), 0);

  ok({L"relay", L"add", L"10.0.5.0/22"});
  ok({L"relay", L"add", L"192.0.2.7"});
  EXPECT_EQ(ok({L"relay", L"list"}), "10.0.5.0/22\n192.0.2.7/32\n");
  EXPECT_THAT(configFile(L"relay.dat"), HasSubstr("10.0.4-7.* //vanto-ip-range: 10.0.5.0/22\r\n"));
  for (const wchar_t* bad : {L"10.0.5/22", L"10.0.5.0/33", L"10.0.256.1", L"host.example", L"10.0.5.0/"}) {
    SCOPED_TRACE(utf8(bad));
    fails({L"relay", L"add", bad}, 2, "");
  }
  fails({L"relay", L"remove", L"172.16.0.0/12"}, 1, "Address not found in list. IP 172.16.0.0");
  ok({L"relay", L"remove", L"10.0.0.0/8"});
  EXPECT_EQ(ok({L"relay", L"list"}), "192.0.2.7/32\n");

  ok({L"dnsbl", L"set", L"bl.example.net", L"dnsbl.example.org"});
  EXPECT_EQ(ok({L"dnsbl", L"list"}), "bl.example.net\ndnsbl.example.org\n");
  EXPECT_EQ(stored(L"C_Config_System_RBL"), 1);
  ok({L"dnsbl", L"off"});
  EXPECT_EQ(stored(L"C_Config_System_RBL"), 0);
  EXPECT_EQ(ok({L"dnsbl", L"list"}), "bl.example.net\ndnsbl.example.org\n") << "off keeps the list";
}

TEST_F(MailmgrSettings, AliasesFollowTheirDomain) {
  ok({L"domain", L"create", L"example.com"});
  ok({L"alias", L"add", L"example.com", L"example.net"});
  ok({L"alias", L"add", L"example.com", L"example.org"});
  ok({L"domain", L"disable", L"example.com"});
  EXPECT_EQ(ok({L"alias", L"list", L"example.com"}), "example.net\nexample.org\n");
  const std::wstring names = L";" + reloaded().getDomainList() + L";";
  EXPECT_NE(names.find(L";example.net.d;"), std::wstring::npos) << utf8(names);
  ok({L"alias", L"rename", L"example.com", L"example.org", L"example.info"});
  ok({L"alias", L"remove", L"example.com", L"example.net"});
  const JsonNode listed = parseJson(ok({L"alias", L"list", L"example.com", L"--json"}));
  ASSERT_EQ(listed.items.size(), 1u);
  EXPECT_EQ(listed[0].string, L"example.info");
  fails({L"alias", L"add", L"missing.example", L"x.example"}, 1, "OpenDomain failed for name=missing.example");
}

TEST_F(MailmgrSettings, TrafficTableAndJson) {
  {
    using maillog::LogStamp;
    using maillog::Service;
    const std::wstring logPath = server.logPath();
    const std::string logs(logPath.begin(), logPath.end());
    maillog::LogFileWriter smtp(logs + "\\" + maillog::logFileName(Service::smtp, LogStamp{2026, 3, 2}), false);
    smtp.write(Service::smtp, "203.0.113.5", 1, LogStamp{2026, 3, 2, 9, 0, 0}, ">>> 220 ready");
    smtp.write(Service::smtp, "203.0.113.5", 1, LogStamp{2026, 3, 2, 9, 0, 1}, "<<< MAIL FROM:<a@example.com>");
    smtp.write(Service::smtp, "203.0.113.5", 1, LogStamp{2026, 3, 2, 9, 0, 2}, "<<< RCPT TO:<b@far.example>");
    smtp.write(Service::smtp, "203.0.113.5", 1, LogStamp{2026, 3, 2, 9, 0, 3}, "*** message accepted size 1000");
    smtp.write(Service::smtp, "203.0.113.5", 1, LogStamp{2026, 3, 3, 0, 0, 1}, "Disconnected");
  }
  const std::uint64_t out = std::string("220 ready").size() + 2;
  const std::uint64_t in = std::string("MAIL FROM:<a@example.com>").size() + std::string("RCPT TO:<b@far.example>").size() +
                           4 + 1000;
  const JsonNode json = parseJson(
      ok({L"traffic", L"--from", L"2026-03-01", L"--to", L"2026-03-03", L"example.com", L"quiet.example", L"--json"}));
  const JsonNode& domains = json[L"domains"];
  ASSERT_EQ(domains.items.size(), 2u);
  EXPECT_EQ(domains[0][L"domain"].string, L"example.com");
  ASSERT_EQ(domains[0][L"days"].items.size(), 1u);
  const JsonNode& day = domains[0][L"days"][0];
  EXPECT_EQ(day[L"day"].string, L"2026-03-03") << "counted on the day the session ended";
  EXPECT_EQ(day[L"sent"].number, static_cast<double>(out));
  EXPECT_EQ(day[L"received"].number, static_cast<double>(in));
  EXPECT_EQ(domains[1][L"domain"].string, L"quiet.example");
  EXPECT_TRUE(domains[1][L"days"].items.empty());

  const std::string table = ok({L"traffic", L"--from", L"2026-03-01", L"--to", L"2026-03-02", L"example.com"});
  EXPECT_THAT(table, HasSubstr("example.com  -"));
  EXPECT_THAT(table, Not(HasSubstr("2026-03-03"))) << "the session ended after the last day";
  fails({L"traffic", L"--from", L"2026-03-01", L"example.com"}, 2, "both --from and --to");
  fails({L"traffic", L"--from", L"2026-02-30", L"--to", L"2026-03-01", L"example.com"}, 2, "YYYY-MM-DD");
}

}  // namespace
