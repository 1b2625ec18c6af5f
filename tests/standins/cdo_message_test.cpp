// The "CDO.Message" stand-in driven through IDispatch, sending to the stand-in SMTP receiver.

#include <gtest/gtest.h>

#include "automation/call_patterns.h"
#include "mime_message.h"
#include "platform/com_error.h"
#include "platform/scratch_dir.h"
#include "support/cdo_standin.h"
#include "support/smtp_receiver.h"

namespace {

DispatchHelper child(DispatchHelper& object, const wchar_t* name, std::initializer_list<const Variant*> index = {}) {
  return Dravo::attachChild<DispatchHelper>(object.invoke(name, DISPATCH_PROPERTYGET, index));
}

// Configures a message for the local SMTP server on port, without updating the fields yet.
DispatchHelper configure(DispatchHelper& message, int port) {
  DispatchHelper configuration = child(message, L"Configuration");
  DispatchHelper fields = child(configuration, L"Fields");
  for (const auto& [name, value] : {std::pair{L"sendusing", Variant::ofI4(2)}, {L"smtpserver", Variant(L"localhost")},
                                    {L"smtpserverport", Variant::ofI4(port)}}) {
    const Variant key(name);
    child(fields, L"Item", {&key}).put(L"Value", value);
  }
  return fields;
}

HRESULT sendFailure(DispatchHelper& message) try {
  message.call(L"Send");
  return S_OK;
} catch (const ComError& error) {
  return error.error();
}

class CdoMessageStandin : public ::testing::Test {
 protected:
  void SetUp() override { CoInitialize(nullptr); }
  void TearDown() override { CoUninitialize(); }
  ScratchDir scratch;
};

TEST_F(CdoMessageStandin, SendDeliversTheComposedMessageAndJournalsWritesAndCallsInOrder) {
  SmtpReceiver receiver;
  const std::string binary("\x00\x01\xff\r\n\n.\r\n", 8);
  const std::wstring attachment = scratch.file(L"report.bin", binary);
  DispatchHelper message(L"CDO.Message");
  for (const auto& [field, value] : {std::pair{L"From", L"\"Zo\u00eb\" <zoe@example.com>"}, {L"Subject", L"Caf\u00e9 \u20ac"},
                                     {L"To", L"\"Ann\" <ann@example.org>, bob@example.net"}, {L"TextBody", L"first\r\n.\r\nthird \u00fc\r\n"}})
    message.put(field, Variant(value));
  child(message, L"TextBodyPart").put(L"Charset", Variant(L"utf-8"));
  const Variant path(attachment), none(L"");
  message.call(L"AddAttachment", {&path, &none, &none});
  configure(message, receiver.port()).call(L"Update");
  message.call(L"Send");
  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 2u) << "one copy for each recipient";
  const mime::Message read = mime::read(received[0]);
  EXPECT_EQ(read.from + L"|" + read.to, L"\"Zo\u00eb\" <zoe@example.com>|\"Ann\" <ann@example.org>, bob@example.net");
  EXPECT_EQ(read.subject + L"|" + read.textBody, L"Caf\u00e9 \u20ac|first\r\n.\r\nthird \u00fc\r\n");
  ASSERT_EQ(read.attachments.size(), 1u);
  EXPECT_EQ(read.attachments[0].fileName, L"report.bin");
  EXPECT_EQ(read.attachments[0].content, binary);

  const std::wstring journal = cdoStandin().journal();  // reads are not journalled
  EXPECT_EQ(journal.find(L".TextBodyPart"), std::wstring::npos);
  size_t at = 0;
  using namespace std::string_literals;
  for (const std::wstring& line : {L".From=\"Zo\u00eb\" <zoe@example.com>"s, L".Subject=Caf\u00e9"s, L".Charset=utf-8"s,
                                   L".AddAttachment("s + attachment + L", , )", L"(sendusing).Value=i4:2"s,
                                   L"(smtpserverport).Value=i4:"s, L".Update()"s, L".Send()"s}) {
    at = journal.find(line, at);
    ASSERT_NE(at, std::wstring::npos) << "missing or out of order: " << std::string(line.begin(), line.end());
  }
}

TEST_F(CdoMessageStandin, SendUsesTheUpdatedConfigurationAndReportsFailures) {
  cdoStandin().setTimeout(2000);
  DispatchHelper message(L"CDO.Message");
  message.put(L"From", Variant(L"a@example.com"));
  message.put(L"To", Variant(L"b@example.com"));
  message.put(L"TextBody", Variant(L"x"));
  configure(message, closedPort());
  EXPECT_EQ(sendFailure(message), static_cast<HRESULT>(0x80040220)) << "fields written but not updated are not used";
  configure(message, closedPort()).call(L"Update");
  EXPECT_EQ(sendFailure(message), static_cast<HRESULT>(0x80040213)) << "nothing listening";
  {
    SmtpReceiver receiver;
    cdoStandin().redirectPort(25, receiver.port());
    configure(message, 25).call(L"Update");
    EXPECT_EQ(sendFailure(message), S_OK) << "a redirected port reaches the receiver";
    EXPECT_EQ(receiver.messages().size(), 1u);
    cdoStandin().redirectPort(25, 0);
  }
  for (const wchar_t* fault : {L"greeting:error", L"rcpt:error", L"data:hang", L"body:close"}) {
    SmtpReceiver receiver({fault});
    configure(message, receiver.port()).call(L"Update");
    EXPECT_EQ(sendFailure(message), static_cast<HRESULT>(0x80040211)) << std::string(fault, fault + wcslen(fault));
    EXPECT_TRUE(receiver.messages().empty());
  }
  cdoStandin().failInvoke(L"Send", 1, E_ACCESSDENIED, L"injected");
  EXPECT_EQ(sendFailure(message), E_ACCESSDENIED);
}

}  // namespace
