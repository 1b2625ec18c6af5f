// Each command group of mailmgr.exe against the real module and a stand-in mail server of the
// test's own (DRAVO_STANDIN_ROOT): the words reach the module, refusals exit with their status.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "automation/automation_objects.h"
#include "mailmgr/run_mailmgr.h"
#include "mime_message.h"
#include "platform/scratch_dir.h"
#include "support/smtp_receiver.h"
#include "support/standin_server.h"

namespace {

class MailmgrServer : public StandinTest {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str()); }
  void TearDown() override {
    SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr);
    SetEnvironmentVariableW(L"CDO_STANDIN_REDIRECT", nullptr);
  }
};

TEST_F(MailmgrServer, EveryGroupReachesTheModuleAndRefusedCommandsChangeNothing) {
  expectRuns({
      {{L"domain", L"create", L"example.com"}, "Created domain example.com without a mailbox limit\n"},
      {{L"mailname", L"create", L"sales@example.com", L"--quota", L"50M"}, "Created mail name sales@example.com with a quota of 50M\n"},
      {{L"list", L"create", L"news@example.com", L"owner@example.com"}, "Created the mailing list news@example.com"},
      {{L"list", L"add-member", L"news@example.com", L"a@x.org"}, "Added a@x.org to news@example.com"},
      {{L"list", L"show", L"news@example.com", L"--json"}, "\"members\": [\n    \"a@x.org\"\n  ]"},
      {{L"list", L"del-member", L"news@example.com", L"c@x.org"}, "List does not contain c@x.org item", 1},
      {{L"alias", L"add", L"example.com", L"example.net"}, ""},
      {{L"alias", L"list", L"example.com", L"--json"}, "[\n  \"example.net\"\n]\n"},
      {{L"settings", L"max-size", L"5000"}, "Maximum message size 5000\n"},
      {{L"settings", L"relay", L"2", L"--auth", L"pop3", L"--value", L"30"}, "Relaying: mode 2, POP3 before SMTP (value 30)\n"},
      {{L"settings", L"relay", L"2"}, "--auth", 2},
      {{L"settings", L"relay", L"1", L"--value", L"5"}, "mailmgr: --value goes with --auth pop3 only", 2},
      {{L"settings", L"max-size", L"12k"}, "must be a number", 2},
      {{L"settings", L"show"}, "mode 2, POP3 before SMTP (value 30)"},
      {{L"blacklist", L"add", L"spam.example"}, "Black-listed spam.example\n"},
      {{L"blacklist", L"list"}, "spam.example\n"},
      {{L"relay", L"add", L"10.0.5.0/22"}, "Relaying allowed for 10.0.5.0/22\n"},
      {{L"relay", L"add", L"10.0.5/22"}, "", 2},
      {{L"relay", L"add", L"10.0.5.0/33"}, "", 2},
      {{L"relay", L"add", L"10.0.256.1"}, "", 2},
      {{L"relay", L"add", L"host.example"}, "", 2},
      {{L"relay", L"add", L"10.0.5.0/"}, "", 2},
      {{L"relay", L"list"}, "10.0.5.0/22\n"},
      {{L"dnsbl", L"set", L"bl.example.net", L"dnsbl.example.org"}, ""},
      {{L"dnsbl", L"list"}, "bl.example.net\ndnsbl.example.org\n"},
      {{L"dnsbl", L"off"}, "DNS black lists are no longer checked\n"},
      {{L"traffic", L"--from", L"2026-03-01", L"--to", L"2026-03-03", L"example.com", L"--json"},
       "\"days\": []"},
      {{L"traffic", L"--from", L"2026-03-01", L"example.com"}, "mailmgr: both --from and --to are required", 2},
      {{L"traffic", L"--from", L"2026-02-30", L"--to", L"2026-03-01", L"example.com"},
       "mailmgr: --from expects a date as YYYY-MM-DD, not '2026-02-30'", 2},
      {{L"package", L"set", L"internal_antivirus=true"}, ""},
      {{L"package", L"get", L"Internal_AntiVirus"}, "Internal_AntiVirus = true\n"},
  });
}

// Port 25 is sent to a closed port through the "CDO.Message" stand-in's CDO_STANDIN_REDIRECT,
// which the child inherits; the retry on the server's SMTP port reaches the receiver.
TEST_F(MailmgrServer, SentMailArrivesWhole) {
  ScratchDir scratch;
  SmtpReceiver receiver;
  SetEnvironmentVariableW(L"CDO_STANDIN_REDIRECT", (L"25:" + std::to_wstring(closedPort())).c_str());
  {
    Dravo::ApiObject api;  // the server's SMTP port, reached on the retry after port 25
    api.setProperty(L"C_Config_Ports_SMTP", Variant::ofI4(receiver.port()));
    api.save();
  }
  const std::string binary("\x00\x01\r\n.\r\n\xff", 8);
  const std::wstring attachment = scratch.file(L"r\u00e9sum\u00e9.bin", binary);
  const MailmgrRun sent = runMailmgr({L"mail", L"send", L"--from", L"ann@example.com", L"--from-name", L"Ann", L"--to",
                                      L"bob@example.org", L"--subject", L"\u00dcber", L"--body", L"one\ntwo\n", L"--json", attachment});
  ASSERT_EQ(sent.exitCode, 0u) << sent.err;
  EXPECT_EQ(nlohmann::json::parse(sent.out).at("to"), "bob@example.org");
  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 1u);
  const mime::Message mail = mime::read(received[0]);
  EXPECT_EQ(mail.from + L"|" + mail.subject + L"|" + mail.textBody, L"\"Ann\" <ann@example.com>|\u00dcber|one\r\ntwo\r\n");
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].fileName, L"r\u00e9sum\u00e9.bin");
  EXPECT_EQ(mail.attachments[0].content, binary);
  expectRuns({{{L"mail", L"forward", L"--to", L"carl@example.net", scratch.file(L"stored.eml", received[0])}, "Sent to carl"}});
}

}  // namespace
