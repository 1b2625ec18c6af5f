// The "CDO.Message" stand-in driven through IDispatch, sending to the stand-in SMTP receiver.

#include <gtest/gtest.h>

#include "automation/call_patterns.h"
#include "mime_message.h"
#include "platform/com_error.h"
#include "platform/scratch_dir.h"
#include "support/cdo_standin.h"
#include "support/smtp_receiver.h"

namespace {

constexpr HRESULT failedToConnect = static_cast<HRESULT>(0x80040213);
constexpr HRESULT sendFailed = static_cast<HRESULT>(0x80040211);

struct Apartment {
  Apartment() { CoInitialize(nullptr); }
  ~Apartment() { CoUninitialize(); }
};

DispatchHelper child(DispatchHelper& object, const wchar_t* name, std::initializer_list<const Variant*> index = {}) {
  return Dravo::attachChild<DispatchHelper>(object.invoke(name, DISPATCH_PROPERTYGET, index));
}

std::wstring text(DispatchHelper& object, const wchar_t* name) { return asString(object.invoke(name, DISPATCH_PROPERTYGET)); }

void setField(DispatchHelper& fields, const wchar_t* name, const Variant& value) {
  const Variant key(name);
  child(fields, L"Item", {&key}).put(L"Value", value);
}

// Configures a message for the local SMTP server on port, without updating the fields yet.
DispatchHelper configure(DispatchHelper& message, int port) {
  DispatchHelper configuration = child(message, L"Configuration");
  DispatchHelper fields = child(configuration, L"Fields");
  setField(fields, L"sendusing", Variant::ofI4(2));
  setField(fields, L"smtpserver", Variant(L"localhost"));
  setField(fields, L"smtpserverport", Variant::ofI4(port));
  return fields;
}

HRESULT sendFailure(DispatchHelper& message) {
  try {
    message.call(L"Send");
  } catch (const ComError& error) {
    return error.error();
  }
  return S_OK;
}

class CdoMessageStandin : public ::testing::Test {
 protected:
  Apartment apartment;
  ScratchDir scratch;
};

}  // namespace

TEST_F(CdoMessageStandin, SendDeliversTheComposedMessage) {
  SmtpReceiver receiver;
  const std::string binary("\x00\x01\xff\r\n\n.\r\n", 8);
  const std::wstring attachment = scratch.file(L"report.bin", binary);
  DispatchHelper message(L"CDO.Message");
  message.put(L"From", Variant(L"\"Zo\u00eb\" <zoe@example.com>"));
  message.put(L"To", Variant(L"\"Ann\" <ann@example.org>, bob@example.net"));
  message.put(L"Subject", Variant(L"Caf\u00e9 \u20ac"));
  message.put(L"TextBody", Variant(L"first\r\n.\r\nthird \u00fc\r\n"));
  child(message, L"TextBodyPart").put(L"Charset", Variant(L"utf-8"));
  const Variant path(attachment), none(L"");
  message.call(L"AddAttachment", {&path, &none, &none});
  DispatchHelper fields = configure(message, receiver.port());
  fields.call(L"Update");
  message.call(L"Send");

  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 2u) << "one copy for each recipient";
  EXPECT_EQ(received[0], received[1]);
  const mime::Message read = mime::read(received[0]);
  EXPECT_EQ(read.from, L"\"Zo\u00eb\" <zoe@example.com>");
  EXPECT_EQ(read.to, L"\"Ann\" <ann@example.org>, bob@example.net");
  EXPECT_EQ(read.subject, L"Caf\u00e9 \u20ac");
  EXPECT_EQ(read.textBody, L"first\r\n.\r\nthird \u00fc\r\n");
  ASSERT_EQ(read.attachments.size(), 1u);
  EXPECT_EQ(read.attachments[0].fileName, L"report.bin");
  EXPECT_EQ(read.attachments[0].content, binary);
  EXPECT_TRUE(ScratchDir::exists(receiver.mailDirectory() + L"\\example.org\\ann"));
  EXPECT_TRUE(ScratchDir::exists(receiver.mailDirectory() + L"\\example.net\\bob"));

  const std::string log = receiver.log();
  SCOPED_TRACE(log);
  EXPECT_NE(log.find("<<< MAIL FROM:<zoe@example.com>"), std::string::npos);
  EXPECT_NE(log.find("<<< RCPT TO:<ann@example.org>"), std::string::npos);
  EXPECT_NE(log.find("*** message accepted size " + std::to_string(received[0].size())), std::string::npos);
  EXPECT_NE(log.find("Disconnected"), std::string::npos);

  SCOPED_TRACE("the journal holds writes and calls in order, reads not");
  const std::wstring journal = cdoStandin().journal();
  const std::wstring expected[] = {L".From=\"Zo\u00eb\" <zoe@example.com>", L".Subject=Caf\u00e9", L".Charset=utf-8",
                                    L".AddAttachment(" + attachment + L", , )", L"(sendusing).Value=i4:2",
                                    L"(smtpserverport).Value=i4:", L".Update()", L".Send()"};
  size_t at = 0;
  for (const std::wstring& line : expected) {
    const size_t found = journal.find(line, at);
    EXPECT_NE(found, std::wstring::npos) << "missing or out of order: " << std::string(line.begin(), line.end());
    if (found != std::wstring::npos) at = found;
  }
  EXPECT_EQ(journal.find(L".TextBodyPart"), std::wstring::npos);
}

TEST_F(CdoMessageStandin, SendUsesTheUpdatedConfigurationAndReportsFailures) {
  cdoStandin().setTimeout(2000);
  DispatchHelper message(L"CDO.Message");
  message.put(L"From", Variant(L"a@example.com"));
  message.put(L"To", Variant(L"b@example.com"));
  message.put(L"TextBody", Variant(L"x"));
  {
    SCOPED_TRACE("fields written but not updated are not used");
    configure(message, closedPort());
    EXPECT_EQ(sendFailure(message), static_cast<HRESULT>(0x80040220));
  }
  {
    SCOPED_TRACE("nothing listening");
    configure(message, closedPort()).call(L"Update");
    EXPECT_EQ(sendFailure(message), failedToConnect);
  }
  {
    SCOPED_TRACE("a redirected port reaches the receiver");
    SmtpReceiver receiver;
    cdoStandin().redirectPort(25, receiver.port());
    configure(message, 25).call(L"Update");
    EXPECT_EQ(sendFailure(message), S_OK);
    EXPECT_EQ(receiver.messages().size(), 1u);
    cdoStandin().redirectPort(25, 0);
  }
  for (const wchar_t* fault : {L"greeting:error", L"rcpt:error", L"data:hang", L"body:close"}) {
    SCOPED_TRACE(std::string(fault, fault + wcslen(fault)));
    SmtpReceiver receiver({fault});
    configure(message, receiver.port()).call(L"Update");
    EXPECT_EQ(sendFailure(message), sendFailed);
    EXPECT_TRUE(receiver.messages().empty());
  }
  {
    SCOPED_TRACE("an injected fault");
    cdoStandin().failInvoke(L"Send", 1, E_ACCESSDENIED, L"injected");
    EXPECT_EQ(sendFailure(message), E_ACCESSDENIED);
  }
}

TEST_F(CdoMessageStandin, OpensAStoredMessageThroughAStream) {
  const std::string stored =
      "From: \"Old Sender\" <old@example.com>\r\nTo: \"Keeper\" <keeper@example.com>\r\nSubject: Minutes\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b1\"\r\n\r\n--b1\r\n"
      "Content-Type: text/plain; charset=us-ascii\r\n\r\nItem one\r\n.\r\n\r\n--b1\r\n"
      "Content-Type: application/octet-stream; name=\"a.txt\"\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment; filename=\"a.txt\"\r\n\r\naGVsbG8=\r\n--b1--\r\n";
  const std::wstring path = scratch.file(L"stored.eml", stored);
  DispatchHelper stream(L"ADODB.Stream");
  stream.call(L"Open");
  stream.put(L"Charset", Variant(L"US-ASCII"));
  const Variant file(path);
  stream.call(L"LoadFromFile", {&file});
  DispatchHelper message(L"CDO.Message");
  DispatchHelper source = child(message, L"DataSource");
  const Variant streamValue = stream.asVariant(), type(L"_Stream");
  source.call(L"OpenObject", {&streamValue, &type});

  EXPECT_EQ(text(message, L"From"), L"\"Old Sender\" <old@example.com>");
  EXPECT_EQ(text(message, L"To"), L"\"Keeper\" <keeper@example.com>");
  EXPECT_EQ(text(message, L"Subject"), L"Minutes");
  EXPECT_EQ(text(message, L"TextBody"), L"Item one\r\n.\r\n");
  DispatchHelper attachments = child(message, L"Attachments");
  ASSERT_EQ(asLong(attachments.invoke(L"Count", DISPATCH_PROPERTYGET)), 1);
  const Variant first = Variant::ofI4(1), second = Variant::ofI4(2);
  DispatchHelper part = child(attachments, L"Item", {&first});
  EXPECT_EQ(text(part, L"FileName"), L"a.txt");
  EXPECT_THROW(attachments.invoke(L"Item", DISPATCH_PROPERTYGET, {&second}), ComError);
  const Variant wrongType(L"_Record");
  EXPECT_THROW(source.call(L"OpenObject", {&streamValue, &wrongType}), ComError);

  SCOPED_TRACE("a stream that was never opened refuses to load");
  DispatchHelper closed(L"ADODB.Stream");
  EXPECT_THROW(closed.call(L"LoadFromFile", {&file}), ComError);
}
