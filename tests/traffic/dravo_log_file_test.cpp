#include "traffic/dravo_log_file.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

#include "support/raised.h"
#include "traffic/log_dir.h"

using Dravo::DravoLogFile;

namespace {

const std::string head = "10.0.0.1 [0000001A] SMTP 06 Dec 2026 07:05:13 +0000 ";

std::vector<std::wstring> textsOf(const std::string& content) {
  std::istringstream stream(content);
  std::vector<std::wstring> texts;
  for (DravoLogFile::iterator line(stream), end; line != end; ++line) texts.push_back(line->message.text);
  return texts;
}

std::tuple<int, int, int, int, int, int, int, int> fieldsOf(const SYSTEMTIME& t) {
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek};
}

}  // namespace

TEST(TrafficLogLineParse, FieldsOfAWellFormedLine) {
  const DravoLogFile::LogLine line = parsedLine(head + "Client session >>> MAIL FROM:<a@b.example>");
  EXPECT_EQ(std::tuple(line.address, line.sessionId, line.eighthField), std::tuple(std::wstring(L"10.0.0.1"), 0x1Au, std::wstring(L"+0000")));
  EXPECT_EQ(fieldsOf(line.time), std::make_tuple(2026, 12, 6, 7, 5, 13, 0, 0));
  // Unusual field shapes read as the C library reads them; a session id is hex in brackets.
  EXPECT_EQ(fieldsOf(parsedLine("a [1a] SMTP 6th Dec 2026AD 7:5:13 +0000 x").time), fieldsOf(line.time));
  const std::pair<const char*, std::uint32_t> ids[] = {
      {"[1a]", 0x1A}, {"[1A2B]", 6699}, {"[FFFFFFFF]", 0xFFFFFFFF}, {"[0x1A]", 0x1A}, {"[123456789]", 0x12345678}};
  for (const auto& [id, value] : ids) {
    EXPECT_EQ(parsedLine(std::string("a ") + id + " SMTP 06 Dec 2026 07:05:13 +0000 x").sessionId, value) << id;
  }
}

TEST(TrafficLogLineParse, FormatFailuresInCheckOrderNamingTheParsingOperation) {
  const std::wstring line = L" @ Dravo::DravoLogFile::LogLine::parse", month = L"Month name expected @ Dravo::monthStrToInt";
  const std::pair<const char*, std::wstring> cases[] = {
      {"10.0.0.1 [1] SMTP 06 Dec 2026 07:05:13", L"Expected 8 parameters" + line},
      {"10.0.0.1 [1] SMTP 06 Dec 2026 07:05:13 +0000", L"Message string expected @ Dravo::DravoLogFile::LogMessage::parse"},
      {"10.0.0.1 1A2B SMTP 06 Dec 2026 07:05:13 +0000 x", L"Session ID expected" + line},
      {"10.0.0.1 [1] SMTP 06 dec 2026 07:05:13 +0000 x", month},
      {"10.0.0.1 [1] SMTP 06 Dec 2026 07-05-13 +0000 x", L"Time expected" + line},
      {"10.0.0.1 [1] SMTP 06 Foo 2026 7 +0000 x", month}};  // the month is checked first
  for (const auto& [text, failure] : cases) {
    EXPECT_EQ(raised([&] { parsedLine(text); }), L"Run-Time error: Wrong log file format. " + failure) << text;
  }
  EXPECT_EQ(std::pair(Dravo::monthStrToInt(L"Jan"), Dravo::monthStrToInt(L"Dec")), std::pair(1, 12));
  EXPECT_THROW(Dravo::monthStrToInt(L"January"), vexception);
}

TEST(TrafficLogMessage, ClientSessionPrefixDirectionParametersAndWords) {
  const std::tuple<const char*, bool, DravoLogFile::Direction, const wchar_t*> cases[] = {
      {"Client session >>> two words", true, DravoLogFile::outgoing, L"two words"},
      {"Client connected >>> x", false, DravoLogFile::noDirection, L"Client connected >>> x"},
      {"Client session", false, DravoLogFile::noDirection, L"Client session"},
      {"<<< 250 OK", false, DravoLogFile::incoming, L"250 OK"},
      {"***", false, DravoLogFile::information, L""}};
  for (const auto& [text, client, direction, rest] : cases) {
    const auto message = parsedLine(head + text).message;
    EXPECT_EQ(std::tuple(message.clientSession, message.direction, message.text), std::tuple(client, direction, std::wstring(rest))) << text;
  }
  const std::tuple<const char*, const wchar_t*, const wchar_t*> parameters[] = {
      {"MAIL FROM: <a@b.example> SIZE=100", L"MAIL FROM:", L"<a@b.example>"},
      {"mail from:<a@b.example> SIZE=100", L"MAIL FROM:", L"<a@b.example>"},
      {"RCPT TO:<a@b.example>", L"MAIL FROM:", L""},
      {"ends with MAIL FROM:", L"MAIL FROM:", L""},
      {"USER box@b.example", L"USER", L"box@b.example"}};
  for (const auto& [text, keyword, value] : parameters) EXPECT_EQ(parsedLine(head + text).message.parameter(keyword), value) << text;
  DravoLogFile::LogMessage words;
  words.text = L"a  b c";  // the empty word between the two blanks counts
  EXPECT_EQ(std::tuple(words.word(1), words.word(3), words.word(4)), std::tuple(std::wstring(), std::wstring(L"c"), std::wstring()));
}

TEST(TrafficLogIterator, WhiteSpaceCollapsesAndReadingStopsBeforeAnUnendedLineAtAnEmptyLineOrAFailure) {
  EXPECT_EQ(textsOf(head + "<<<  one \t two\t\tthree\n" + head + "<<< j\xfcrgen\v\f \x80\xe9 \n" + head + "<<< unended"),
            (std::vector<std::wstring>{L"one two three", toWide("j\xfcrgen \x80\xe9", CP_ACP)}));
  EXPECT_EQ(textsOf(head + "<<< first\n\n" + head + "<<< second\n"), (std::vector<std::wstring>{L"first"}));
  EXPECT_TRUE(textsOf("").empty());
  std::istringstream stream(head + "<<< ok\nbroken line\n" + head + "<<< after\n");
  DravoLogFile::iterator line(stream), end;
  ASSERT_NE(line, end);
  EXPECT_THROW(++line, vexception);
  EXPECT_EQ(line, end);
}
