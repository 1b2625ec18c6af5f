// Outgoing mail through the "CDO.Message" stand-in to the stand-in SMTP receiver (its port 25
// leads to the test's receiver), and the list announcement whose template the panel's service
// locates.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "automation/automation_objects.h"
#include "interfaces/mail_objects.h"
#include "mailobjects/dravo_mail_info.h"
#include "mime_message.h"
#include "platform/com_error.h"
#include "platform/scratch_dir.h"
#include "platform/strings.h"
#include "provider/dravo_provider.h"
#include "support/cdo_standin.h"
#include "support/panel_service_process.h"
#include "support/raised.h"
#include "support/smtp_receiver.h"
#include "support/standin_server.h"

using namespace Dravo;

namespace {

class OutgoingMailTest : public StandinTest {
 protected:
  void SetUp() override { cdoStandin().redirectPort(25, receiver.port()); }
  mime::Message received(size_t index) const { return mime::read(receiver.messages().at(index)); }
  ScratchDir scratch;
  SmtpReceiver receiver;
};

// The stand-in's journal as "Message.From=...", "Field(sendusing).Value=i4:2": one entry per
// call, a value's own line breaks kept. An entry starts at "<Kind>#<n>" at the start of a line.
std::vector<std::wstring> cdoCalls() {
  static const std::wregex start(L"(^|\n)([A-Za-z]+)#[0-9]+");
  std::wstringstream marked(std::regex_replace(cdoStandin().journal(), start, L"\x01$2"));
  std::vector<std::wstring> calls;
  for (std::wstring entry; std::getline(marked, entry, L'\x01');)
    if (!entry.empty()) calls.push_back(entry.back() == L'\n' ? entry.substr(0, entry.size() - 1) : entry);
  return calls;
}

// The mail server's own SMTP port, which a send tries after port 25.
void configureSmtpPort(int port) {
  Dravo::ApiObject api;
  api.setProperty(L"C_Config_Ports_SMTP", Variant::ofI4(port));
  api.save();
}

// The COM error that send() ended with, S_OK when it succeeded.
HRESULT sendFailure(MailInfo* mail) {
  try {
    mail->send();
    return S_OK;
  } catch (const ComError& error) {
    return error.error();
  }
}

MailInfo* plainMail(const wchar_t* to = L"b@example.org") { return createMail(L"a@example.com", L"A", to, L"", L"s", L"body", nullptr, L""); }
long sends() { return std::ranges::count(cdoCalls(), std::wstring(L"Message.Send()")); }

}  // namespace

TEST_F(OutgoingMailTest, ComposedMailArrivesAsComposed) {
  const std::string binary("\x00\x7f\x80\xff\r\n.\r\n", 8);
  const StringList attachments = {scratch.file(L"a.bin", binary), scratch.file(L"\u00fcbersicht.txt", "line\n")};
  MailInfo* mail = DravoProvider().createMail(L"from@example.com", L"Fr\u00e9d\u00e9ric", L"to@example.org", L"T\u00f6",
                                              L"Gr\u00fc\u00dfe \u2014 news", L"first\nsecond\r\n.\nlast \u00e9", &attachments, L"reply@example.com");
  mail->send();
  const mime::Message read = received(0);
  EXPECT_EQ(read.from + L"|" + read.to + L"|" + read.replyTo, L"\"Fr\u00e9d\u00e9ric\" <from@example.com>|\"T\u00f6\" <to@example.org>|reply@example.com");
  EXPECT_EQ(read.subject + L"|" + read.charset, L"Gr\u00fc\u00dfe \u2014 news|utf-8");
  EXPECT_EQ(read.textBody, L"first\r\nsecond\r\n.\r\nlast \u00e9") << "LF alone became CR LF";
  ASSERT_EQ(read.attachments.size(), 2u);
  EXPECT_EQ(std::pair(read.attachments[0].fileName, read.attachments[0].content), std::pair(std::wstring(L"a.bin"), binary));
  EXPECT_EQ(read.attachments[1].fileName + L"|" + toWide(read.attachments[1].content, CP_ACP), L"\u00fcbersicht.txt|line\n");
  std::vector<std::wstring> fields = cdoCalls();
  fields.erase(fields.begin(), std::find_if(fields.begin(), fields.end(), [](const std::wstring& c) { return c.rfind(L"Field", 0) == 0; }));
  EXPECT_EQ(fields, (std::vector<std::wstring>{L"Field(smtpserver).Value=localhost", L"Field(smtpauthenticate).Value=i4:0", L"Field(sendusing).Value=i4:2",
                                                L"Field(smtpserverport).Value=i4:25", L"Fields.Update()", L"Message.Send()"}));
  EXPECT_EQ(cdoStandin().objectsAlive(), 0) << "the sent mail released its message";
}

TEST_F(OutgoingMailTest, FailedConnectionRetriesOnceOnTheConfiguredPortButARefusalOrFailureDoesNot) {
  cdoStandin().redirectPort(25, closedPort());
  configureSmtpPort(receiver.port());
  plainMail()->send();
  EXPECT_EQ(receiver.messages().size(), 1u);
  const std::vector<std::wstring> calls = cdoCalls();
  EXPECT_EQ(std::vector<std::wstring>(calls.end() - 3, calls.end()),
            (std::vector<std::wstring>{L"Field(smtpserverport).Value=i4:" + std::to_wstring(receiver.port()), L"Fields.Update()", L"Message.Send()"}));
  cdoStandin().clearJournal();
  configureSmtpPort(closedPort());
  EXPECT_EQ(sendFailure(plainMail()), static_cast<HRESULT>(0x80040213)) << "both closed: the second failure";
  EXPECT_EQ(std::pair(sends(), cdoStandin().objectsAlive()), std::pair(2L, 0L));
  // A server that refuses, fails or hangs (bounded by the stand-in's own wait) is no closed port: no retry.
  cdoStandin().setTimeout(2000);
  for (const wchar_t* fault : {L"rcpt:error", L"greeting:error", L"mail:error", L"data:hang", L"body:hang", L"body:close"}) {
    SmtpReceiver failing({fault});
    cdoStandin().clearJournal();
    cdoStandin().redirectPort(25, failing.port());
    EXPECT_EQ(sendFailure(plainMail()), static_cast<HRESULT>(0x80040211)) << testing::PrintToString(std::wstring(fault));
    EXPECT_TRUE(sends() == 1 && failing.messages().empty() && cdoStandin().objectsAlive() == 0);
  }
}

TEST_F(OutgoingMailTest, NoRecipientFailsAndKeepsTheObjectAlive) {
  MailInfo* mail = plainMail(L"");
  EXPECT_EQ(raised([&] { mail->send(); }), L"Run-Time error: No one recipient specified @ Dravo::DravoMailInfo::send");
  EXPECT_GT(cdoStandin().objectsAlive(), 0) << "the mail still holds its message";
  mail->release();
  EXPECT_EQ(cdoStandin().objectsAlive(), 0);
}

TEST_F(OutgoingMailTest, ForwardedMailKeepsAllButTheFinalFullStop) {
  const std::string stored =
      "From: \"Old Sender\" <old@example.com>\r\nTo: \"Keeper\" <keeper@example.com>\r\nSubject: Minutes\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
      "Content-Type: text/plain; charset=us-ascii\r\n\r\nItem one\r\n.\r\nlast line\r\n.\r\n\r\n--b1\r\n"
      "Content-Type: application/octet-stream; name=\"notes.txt\"\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\naGVsbG8NCi4NCg==\r\n--b1--\r\n";
  DravoProvider().forwardMail(L"new@example.net", L"N\u00e9w", scratch.file(L"stored.eml", stored))->send();
  const mime::Message read = received(0);
  EXPECT_EQ(read.subject + L"|" + read.from + L"|" + read.to, L"FW: Minutes|\"Keeper\" <keeper@example.com>|\"N\u00e9w\" <new@example.net>");
  EXPECT_EQ(read.textBody, L"Item one\r\n.\r\nlast line\r\n");
  ASSERT_EQ(read.attachments.size(), 1u);
  EXPECT_EQ(read.attachments[0].fileName + L"|" + toWide(read.attachments[0].content, CP_ACP), L"notes.txt|hello\r\n.\r\n");
  EXPECT_THROW(forwardMail(L"new@example.net", L"", scratch / L"missing.eml"), ComError);
}

TEST_F(OutgoingMailTest, ListAnnouncementGoesFromTheListToItsOwner) {
  const std::wstring notice = scratch.file(L"panel\\admin\\conf\\dravo_maillist_notify.mail",
                                           "List <maillist-name>@<domain-name>.\n<<maillist-name>> <Maillist-name> <other> <maillist-name\nCaf\xe9 <");
  // No final backslash on the root: one is added.
  const PanelServiceProcess panel(scratch, "PRODUCT_ROOT_D=" + toNarrow(scratch / L"panel", CP_UTF8) + "\r\n");
  sendMailListNotification(L"owner@example.org", L"news", L"example.com");
  const mime::Message read = received(0);
  EXPECT_EQ(read.from + L"|" + read.to, L"\"\" <news@example.com>|\"\" <owner@example.org>");
  EXPECT_EQ(read.subject, L"The mailing list has been created for you");
  // Unknown placeholders stay; after an unknown one scanning goes on at the next "<".
  EXPECT_EQ(read.textBody, L"List news@example.com.\r\n<news> <Maillist-name> <other> <maillist-name\r\nCaf\u00e9 <");
  DravoProvider provider;  // and through the provider's new list
  provider.createDomain(L"example.com", 0)->release();
  provider.createMailList(L"team", L"example.com", L"boss@example.org", true)->release();
  EXPECT_EQ(received(1).from + L"|" + received(1).to, L"\"\" <team@example.com>|\"\" <boss@example.org>");
  DeleteFileW(notice.c_str());
  EXPECT_THROW(sendMailListNotification(L"owner@example.org", L"news", L"example.com"), vosexception) << "no template: nothing is sent";
  EXPECT_EQ(receiver.messages().size(), 2u);
}
