// "mailmgr mail send|forward": mailmgr.exe composes and forwards through the "CDO.Message"
// stand-in; the stand-in SMTP receiver shows what arrived. Port 25 is sent to the receiver
// through the stand-in's CDO_STANDIN_REDIRECT, which the child process inherits.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "automation/automation_objects.h"
#include "mailmgr/json_reader.h"
#include "mailmgr/run_mailmgr.h"
#include "mime_message.h"
#include "platform/scratch_dir.h"
#include "support/smtp_receiver.h"
#include "support/standin_server.h"

namespace {

using testing::HasSubstr;

class MailmgrMail : public StandinTest {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str()); }
  void TearDown() override {
    SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr);
    SetEnvironmentVariableW(L"CDO_STANDIN_REDIRECT", nullptr);
  }
  static void redirectPort25(int port) {
    SetEnvironmentVariableW(L"CDO_STANDIN_REDIRECT", (L"25:" + std::to_wstring(port)).c_str());
  }
  static void serverSmtpPort(int port) {
    Dravo::ApiObject api;
    api.setProperty(L"C_Config_Ports_SMTP", Variant::ofI4(port));
    api.save();
  }

  ScratchDir scratch;
};

TEST_F(MailmgrMail, SentMailArrivesAndForwardsFromItsStoredFile) {
  SmtpReceiver receiver;
  redirectPort25(closedPort());
  serverSmtpPort(receiver.port());  // reached on the retry after port 25
  const std::string binary("\x00\x01\r\n.\r\n\xff", 8);
  const std::wstring attachment = scratch.file(L"r\u00e9sum\u00e9.bin", binary);
  const MailmgrRun sent = runMailmgr({L"mail", L"send", L"--from", L"ann@example.com", L"--from-name", L"Ann",
                                      L"--to", L"bob@example.org", L"--to-name", L"B\u00f6b", L"--subject",
                                      L"\u00dcber the plan", L"--body", L"one\ntwo\n", L"--reply-to",
                                      L"team@example.com", L"--json", attachment});
  ASSERT_EQ(sent.exitCode, 0u) << sent.err;
  const JsonNode json = parseJson(sent.out);
  EXPECT_TRUE(json[L"sent"].boolean);
  EXPECT_EQ(json[L"to"].string, L"bob@example.org");

  std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 1u);
  const mime::Message mail = mime::read(received[0]);
  EXPECT_EQ(mail.from, L"\"Ann\" <ann@example.com>");
  EXPECT_EQ(mail.to, L"\"B\u00f6b\" <bob@example.org>");
  EXPECT_EQ(mail.replyTo, L"team@example.com");
  EXPECT_EQ(mail.subject, L"\u00dcber the plan");
  EXPECT_EQ(mail.textBody, L"one\r\ntwo\r\n");
  ASSERT_EQ(mail.attachments.size(), 1u);
  EXPECT_EQ(mail.attachments[0].fileName, L"r\u00e9sum\u00e9.bin");
  EXPECT_EQ(mail.attachments[0].content, binary);

  const std::wstring stored = scratch.file(L"stored.eml", received[0]);
  const MailmgrRun forwarded = runMailmgr({L"mail", L"forward", L"--to", L"carl@example.net", stored});
  ASSERT_EQ(forwarded.exitCode, 0u) << forwarded.err;
  EXPECT_EQ(forwarded.out, "Sent to carl@example.net\n");
  received = receiver.messages();
  ASSERT_EQ(received.size(), 2u);
  const mime::Message again = mime::read(received[1]);
  EXPECT_EQ(again.subject, L"FW: \u00dcber the plan");
  EXPECT_EQ(again.from, L"\"B\u00f6b\" <bob@example.org>") << "the old recipient sends it on";
  EXPECT_EQ(again.to, L"\"\" <carl@example.net>");
  EXPECT_EQ(again.textBody, L"one\r\ntwo\r\n");
  ASSERT_EQ(again.attachments.size(), 1u);
  EXPECT_EQ(again.attachments[0].content, binary);
}

TEST_F(MailmgrMail, FailuresEndTheCommandWithTheirMessage) {
  const MailmgrRun noRecipient = runMailmgr({L"mail", L"send", L"--from", L"ann@example.com"});
  EXPECT_NE(noRecipient.exitCode, 0u);
  EXPECT_THAT(noRecipient.err, HasSubstr("--to is required"));

  redirectPort25(closedPort());
  serverSmtpPort(closedPort());
  const MailmgrRun unreachable =
      runMailmgr({L"mail", L"send", L"--from", L"ann@example.com", L"--to", L"bob@example.org"});
  EXPECT_NE(unreachable.exitCode, 0u);
  EXPECT_THAT(unreachable.err, HasSubstr("80040213")) << "the second failure to connect, as the COM error";
  EXPECT_EQ(unreachable.out, "");

  const MailmgrRun missing = runMailmgr({L"mail", L"forward", L"--to", L"bob@example.org", scratch / L"none.eml"});
  EXPECT_NE(missing.exitCode, 0u);
  EXPECT_EQ(missing.out, "");
  EXPECT_FALSE(missing.err.empty());
}

}  // namespace
