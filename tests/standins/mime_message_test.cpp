// The MIME writing and reading of the "CDO.Message" stand-in, without COM: what mail tests
// read back of what the stand-in sent.

#include <gtest/gtest.h>

#include "mime_message.h"

namespace {

std::string allBytes() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes;
}

TEST(CdoStandinMime, WrittenMessagesAreSevenBitAndReadBackWhole) {
  for (const std::string& sample : {std::string(".\r\n..\r\ntrailing \r\n"), std::string(200, 'x') + "=" + std::string(90, ' '), allBytes()}) {
    EXPECT_EQ(mime::unbase64(mime::base64(sample, 76)), sample);
    EXPECT_EQ(mime::unquotedPrintable(mime::quotedPrintable(sample)), sample);
  }
  EXPECT_EQ(mime::quotedPrintable("a=b\xE9\r\n"), "a=3Db=E9\r\n");

  mime::Message message;
  message.from = L"\"J\u00fcrgen M\u00fcller\" <jm@example.com>";
  message.to = L"\"\" <to@example.com>";
  message.replyTo = L"reply@example.com";
  message.subject = L"Gr\u00fc\u00dfe \u2013 " + std::wstring(60, L'\u00e4') + L" end";
  message.textBody = L"Zeile eins\r\n.\r\nZeile \u00fcber drei\r\n";
  message.charset = L"utf-8";
  message.attachments = {{L"data.bin", allBytes()}, {L"\u00e4nderung.txt", "text\r\n"}};
  const std::string written = mime::write(message, "Sun, 6 Dec 2026 09:00:00 +0000", "1.2@test");
  EXPECT_NE(written.find("\r\nTo: \"\" <to@example.com>\r\n"), std::string::npos) << "ASCII headers stay as written";
  EXPECT_NE(written.find(" <jm@example.com>\r\n"), std::string::npos) << "the address stays readable";
  for (size_t start = 0, end; (end = written.find('\n', start)) != std::string::npos; start = end + 1)
    ASSERT_TRUE(end > 0 && written[end - 1] == '\r' && end - start <= 999u) << "bare LF or long line at " << end;
  for (unsigned char c : written) ASSERT_LT(c, 0x80) << "the message is 7-bit";
  const mime::Message read = mime::read(written);
  EXPECT_EQ(read.from + L"|" + read.to + L"|" + read.replyTo, message.from + L"|" + message.to + L"|" + message.replyTo);
  EXPECT_EQ(read.subject + L"|" + read.textBody, message.subject + L"|" + message.textBody);
  ASSERT_EQ(read.attachments.size(), 2u);
  EXPECT_EQ(read.attachments[0].content, allBytes());
  EXPECT_EQ(read.attachments[1].fileName, L"\u00e4nderung.txt");

  // A plain stored message with LF line ends and an encoded subject.
  const mime::Message plain =
      mime::read("From: a@example.com\nTo: b@example.com\nSubject: =?iso-8859-1?Q?K=E4se_und?=\n =?utf-8?B?w5Zs?=\n\nbody\n.\n");
  EXPECT_EQ(plain.subject + L"|" + plain.textBody, L"K\u00e4se und\u00d6l|body\n.\n");
}

}  // namespace
