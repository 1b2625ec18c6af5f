// Outgoing mail through the "CDO.Message" stand-in to the stand-in SMTP receiver.

#include <gtest/gtest.h>

#include <algorithm>

#include "automation/automation_objects.h"
#include "mail_info_support.h"
#include "mailobjects/dravo_mail_info.h"
#include "mailobjects/mail_text.h"
#include "mime_message.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"

using namespace Dravo;

TEST(OutgoingMailText, LineEndsDisplayFormAndPlaceholders) {
  EXPECT_EQ(normalizeLineEnds(L"a\nb\r\nc\n\nd\r"), L"a\r\nb\r\nc\r\n\r\nd\r");
  EXPECT_EQ(normalizeLineEnds(L"\n"), L"\r\n");
  EXPECT_EQ(normalizeLineEnds(L"\r\r\n"), L"\r\r\n");
  EXPECT_EQ(displayForm(L"", L""), L"\"\" <>");
  EXPECT_EQ(displayForm(L"Ann", L"ann@example.com"), L"\"Ann\" <ann@example.com>");

  const std::map<std::wstring, std::wstring> values = {{L"maillist-name", L"news"}, {L"domain-name", L"<domain-name>x"}};
  SCOPED_TRACE("a value holding a placeholder is not scanned again");
  EXPECT_EQ(substitutePlaceholders(L"<maillist-name>@<domain-name> and <domain-name>.", values),
            L"news@<domain-name>x and <domain-name>x.");
  EXPECT_EQ(substitutePlaceholders(L"<other> <Maillist-name> <maillist-name>", values), L"<other> <Maillist-name> news");
  EXPECT_EQ(substitutePlaceholders(L"a < b <maillist-name> <", values), L"a < b news <") << "scanning goes on at the next <";
  EXPECT_EQ(substitutePlaceholders(L"x <maillist-name", values), L"x <maillist-name");
  EXPECT_EQ(substitutePlaceholders(L"<<maillist-name>>", values), L"<news>")
      << "\"<maillist-name\" is unknown; scanning goes on at the second <";
}

TEST_F(OutgoingMailTest, ComposedMailArrivesAsComposed) {
  SmtpReceiver receiver;
  cdoStandin().redirectPort(25, receiver.port());
  const std::string binary("\x00\x7f\x80\xff\r\n.\r\n", 8);
  const StringList attachments = {scratch.file(L"a.bin", binary), scratch.file(L"\u00fcbersicht.txt", "line\n")};
  DravoProvider provider;
  MailInfo* mail = provider.createMail(L"from@example.com", L"Fr\u00e9d\u00e9ric", L"to@example.org", L"T\u00f6",
                                       L"Gr\u00fc\u00dfe \u2014 news", L"first\nsecond\r\n.\nlast \u00e9", &attachments,
                                       L"reply@example.com");
  ASSERT_NE(mail, nullptr);
  EXPECT_EQ(mail->reservedOperation(), 0);
  mail->send();

  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 1u);
  const mime::Message read = mime::read(received[0]);
  EXPECT_EQ(read.from, L"\"Fr\u00e9d\u00e9ric\" <from@example.com>");
  EXPECT_EQ(read.to, L"\"T\u00f6\" <to@example.org>");
  EXPECT_EQ(read.replyTo, L"reply@example.com");
  EXPECT_EQ(read.subject, L"Gr\u00fc\u00dfe \u2014 news");
  EXPECT_EQ(read.textBody, L"first\r\nsecond\r\n.\r\nlast \u00e9") << "LF alone became CR LF";
  EXPECT_EQ(read.charset, L"utf-8");
  ASSERT_EQ(read.attachments.size(), 2u);
  EXPECT_EQ(read.attachments[0].fileName, L"a.bin");
  EXPECT_EQ(read.attachments[0].content, binary);
  EXPECT_EQ(read.attachments[1].fileName, L"\u00fcbersicht.txt");
  EXPECT_EQ(read.attachments[1].content, "line\n") << "attachments are sent as they are";

  const std::vector<std::wstring> expected = {
      L"Message.From=\"Fr\u00e9d\u00e9ric\" <from@example.com>",
      L"Message.To=\"T\u00f6\" <to@example.org>",
      L"Message.ReplyTo=reply@example.com",
      L"Message.Subject=Gr\u00fc\u00dfe \u2014 news",
      L"Message.TextBody=first\r\nsecond\r\n.\r\nlast \u00e9",
      L"BodyPart.Charset=utf-8",
      L"Message.AddAttachment(" + attachments.front() + L", , )",
      L"Message.AddAttachment(" + attachments.back() + L", , )",
      L"Field(smtpserver).Value=localhost",
      L"Field(smtpauthenticate).Value=i4:0",
      L"Field(sendusing).Value=i4:2",
      L"Field(smtpserverport).Value=i4:25",
      L"Fields.Update()",
      L"Message.Send()"};
  EXPECT_EQ(cdoCalls(), expected);
  EXPECT_EQ(cdoStandin().objectsAlive(), 0) << "the sent mail released its message";

  SCOPED_TRACE("no reply address: ReplyTo is not written");
  cdoStandin().clearJournal();
  provider.createMail(L"a@example.com", L"", L"b@example.org", L"", L"s", L"", nullptr, L"")->send();
  const std::vector<std::wstring> calls = cdoCalls();
  EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::wstring& c) { return c.find(L"ReplyTo") != std::wstring::npos; }));
  EXPECT_EQ(receiver.messages().size(), 2u);
}

TEST_F(OutgoingMailTest, FailedConnectionRetriesOnceOnTheConfiguredPort) {
  {
    SCOPED_TRACE("port 25 closed, the configured port open: delivered on the second attempt");
    SmtpReceiver receiver;
    cdoStandin().redirectPort(25, closedPort());
    configureSmtpPort(receiver.port());
    createMail(L"a@example.com", L"", L"b@example.org", L"", L"retry", L"body", nullptr, L"")->send();
    EXPECT_EQ(receiver.messages().size(), 1u);
    const std::wstring port = std::to_wstring(receiver.port());
    const std::vector<std::wstring> calls = cdoCalls();
    const std::vector<std::wstring> tail(calls.end() - std::min<size_t>(calls.size(), 6), calls.end());
    EXPECT_EQ(tail, (std::vector<std::wstring>{L"Field(smtpserverport).Value=i4:25", L"Fields.Update()", L"Message.Send()",
                                                L"Field(smtpserverport).Value=i4:" + port, L"Fields.Update()",
                                                L"Message.Send()"}));
  }
  {
    SCOPED_TRACE("both closed: the second failure, after the object ended");
    cdoStandin().clearJournal();
    configureSmtpPort(closedPort());
    MailInfo* mail = createMail(L"a@example.com", L"", L"b@example.org", L"", L"retry", L"body", nullptr, L"");
    EXPECT_EQ(sendFailure(mail), static_cast<HRESULT>(0x80040213));
    EXPECT_EQ(cdoStandin().objectsAlive(), 0);
    const std::vector<std::wstring> calls = cdoCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"Message.Send()"), 2);
  }
  {
    SCOPED_TRACE("a refusal is no connection failure: no retry");
    SmtpReceiver refusing({L"rcpt:error"}), other;
    cdoStandin().clearJournal();
    cdoStandin().redirectPort(25, refusing.port());
    configureSmtpPort(other.port());
    EXPECT_EQ(sendFailure(createMail(L"a@example.com", L"", L"b@example.org", L"", L"s", L"b", nullptr, L"")),
              static_cast<HRESULT>(0x80040211));
    const std::vector<std::wstring> calls = cdoCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), L"Message.Send()"), 1);
    EXPECT_TRUE(other.messages().empty());
  }
}

TEST_F(OutgoingMailTest, NoRecipientKeepsTheObjectAlive) {
  MailInfo* mail = createMail(L"a@example.com", L"A", L"", L"", L"s", L"b", nullptr, L"");
  try {
    mail->send();
    FAIL() << "sent without a recipient";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: No one recipient specified");
    ASSERT_FALSE(e.trace().empty());
    EXPECT_STREQ(e.trace().front().function.c_str(), "Dravo::DravoMailInfo::send");
  }
  EXPECT_GT(cdoStandin().objectsAlive(), 0) << "the mail still holds its message";
  const std::vector<std::wstring> calls = cdoCalls();
  EXPECT_TRUE(std::none_of(calls.begin(), calls.end(), [](const std::wstring& c) { return c.rfind(L"Field", 0) == 0; }));
  mail->release();
  EXPECT_EQ(cdoStandin().objectsAlive(), 0);

  SCOPED_TRACE("a failure while configuring also leaves the object alive");
  mail = createMail(L"a@example.com", L"A", L"b@example.org", L"", L"s", L"b", nullptr, L"");
  cdoStandin().failInvoke(L"Value", 1, E_FAIL, L"injected");
  EXPECT_THROW(mail->send(), ComError);
  EXPECT_GT(cdoStandin().objectsAlive(), 0);
  mail->release();
}

TEST_F(OutgoingMailTest, ForwardedMailKeepsAllButTheFinalFullStop) {
  SmtpReceiver receiver;
  cdoStandin().redirectPort(25, receiver.port());
  const std::string stored =
      "From: \"Old Sender\" <old@example.com>\r\nTo: \"Keeper\" <keeper@example.com>\r\nSubject: Minutes\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
      "Content-Type: text/plain; charset=us-ascii\r\n\r\nItem one\r\n.\r\nlast line\r\n.\r\n\r\n--b1\r\n"
      "Content-Type: application/octet-stream; name=\"notes.txt\"\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment; filename=\"notes.txt\"\r\n\r\naGVsbG8NCi4NCg==\r\n--b1--\r\n";
  DravoProvider provider;
  MailInfo* forwarded = provider.forwardMail(L"new@example.net", L"N\u00e9w", scratch.file(L"stored.eml", stored));
  const auto* info = dynamic_cast<DravoMailInfo*>(forwarded);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->subject(), L"FW: Minutes");
  EXPECT_EQ(info->from(), L"\"Keeper\" <keeper@example.com>");
  EXPECT_EQ(info->to(), L"\"N\u00e9w\" <new@example.net>");
  EXPECT_EQ(info->body(), L"Item one\r\n.\r\nlast line\r\n");
  EXPECT_EQ(info->attachments(), StringList{L"notes.txt"});
  forwarded->send();

  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 1u);
  const mime::Message read = mime::read(received[0]);
  EXPECT_EQ(read.subject, L"FW: Minutes");
  EXPECT_EQ(read.from, L"\"Keeper\" <keeper@example.com>");
  EXPECT_EQ(read.to, L"\"N\u00e9w\" <new@example.net>");
  EXPECT_EQ(read.textBody, L"Item one\r\n.\r\nlast line\r\n");
  ASSERT_EQ(read.attachments.size(), 1u);
  EXPECT_EQ(read.attachments[0].content, "hello\r\n.\r\n");

  SCOPED_TRACE("a missing stored file");
  EXPECT_THROW(forwardMail(L"new@example.net", L"", scratch / L"missing.eml"), ComError);
}

TEST_F(OutgoingMailTest, ServerFailuresEndInABoundedException) {
  cdoStandin().setTimeout(2000);  // the stand-in's own bound on every wait
  for (const wchar_t* fault : {L"greeting:error", L"mail:error", L"data:hang", L"body:hang", L"body:close"}) {
    SCOPED_TRACE(std::string(fault, fault + wcslen(fault)));
    SmtpReceiver receiver({fault});
    cdoStandin().redirectPort(25, receiver.port());
    EXPECT_EQ(sendFailure(createMail(L"a@example.com", L"", L"b@example.org", L"", L"s", L"body", nullptr, L"")),
              static_cast<HRESULT>(0x80040211));
    EXPECT_TRUE(receiver.messages().empty());
    EXPECT_EQ(cdoStandin().objectsAlive(), 0);
  }
}

TEST_F(OutgoingMailTest, ListAnnouncementGoesFromTheListToItsOwner) {
  SmtpReceiver receiver;
  cdoStandin().redirectPort(25, receiver.port());
  scratch.file(L"panel\\admin\\conf\\dravo_maillist_notify.mail",
               "List <maillist-name>@<domain-name> is ready.\nPost to <maillist-name>@<domain-name>; <other> stays\n"
               "Caf\xe9 <");
  PanelService panel(scratch, scratch / L"panel");  // no final backslash: one is added

  sendMailListNotification(L"owner@example.org", L"news", L"example.com");
  std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 1u);
  const mime::Message read = mime::read(received[0]);
  EXPECT_EQ(read.from, L"\"\" <news@example.com>");
  EXPECT_EQ(read.to, L"\"\" <owner@example.org>");
  EXPECT_EQ(read.subject, L"The mailing list has been created for you");
  EXPECT_EQ(read.textBody,
            L"List news@example.com is ready.\r\nPost to news@example.com; <other> stays\r\nCaf\u00e9 <");

  SCOPED_TRACE("through the provider's new list");
  DravoProvider provider;
  provider.createDomain(L"example.com", 0)->release();
  MailList* list = provider.createMailList(L"team", L"example.com", L"boss@example.org", true);
  ASSERT_NE(list, nullptr);
  list->release();
  received = receiver.messages();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(mime::read(received[1]).from, L"\"\" <team@example.com>");
  EXPECT_EQ(mime::read(received[1]).to, L"\"\" <boss@example.org>");

  SCOPED_TRACE("no template: nothing is sent");
  DeleteFileW((scratch / L"panel\\admin\\conf\\dravo_maillist_notify.mail").c_str());
  EXPECT_THROW(sendMailListNotification(L"owner@example.org", L"news", L"example.com"), vosexception);
  EXPECT_EQ(receiver.messages().size(), 2u);
}
