#include "traffic/dravo_log_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/exceptions.h"
#include "platform/strings.h"
#include "traffic/log_dir.h"

using Dravo::DravoLogFile;

namespace {

const char* const head = "10.0.0.1 [0000001A] SMTP 06 Dec 2026 07:05:13 +0000";

std::wstring failureOf(const std::string& text) {
  try {
    parsedLine(text);
  } catch (const vexception& e) {
    return e.message();
  }
  return L"(no failure)";
}

std::vector<std::wstring> textsOf(const std::string& content) {
  std::istringstream stream(content);
  std::vector<std::wstring> texts;
  for (DravoLogFile::iterator line(stream), end; line != end; ++line) texts.push_back(line->message.text);
  return texts;
}

DravoLogFile::LogMessage messageOf(const std::wstring& text) {
  Dravo::LogTokens tokens;
  Dravo::splitLogTokens(text, tokens);
  DravoLogFile::LogMessage message;
  message.parse(tokens);
  return message;
}

}  // namespace

TEST(TrafficLogLineParse, FieldsOfAWellFormedLine) {
  const DravoLogFile::LogLine line = parsedLine(std::string(head) + " Client session >>> MAIL FROM:<a@b.example>");
  EXPECT_EQ(line.address, L"10.0.0.1");
  EXPECT_EQ(line.sessionId, 0x1Au);
  EXPECT_EQ(line.time.wYear, 2026);
  EXPECT_EQ(line.time.wMonth, 12);
  EXPECT_EQ(line.time.wDay, 6);
  EXPECT_EQ(line.time.wHour, 7);
  EXPECT_EQ(line.time.wMinute, 5);
  EXPECT_EQ(line.time.wSecond, 13);
  EXPECT_EQ(line.time.wMilliseconds, 0);
  EXPECT_EQ(line.time.wDayOfWeek, 0);
  EXPECT_EQ(line.eighthField, L"+0000");
  EXPECT_TRUE(line.message.clientSession);
  EXPECT_EQ(line.message.direction, DravoLogFile::outgoing);
  EXPECT_EQ(line.message.text, L"MAIL FROM:<a@b.example>");
}

TEST(TrafficLogLineParse, FormatFailuresInCheckOrder) {
  EXPECT_EQ(failureOf("10.0.0.1 [1] SMTP 06 Dec 2026 07:05:13"),
            L"Run-Time error: Wrong log file format. Expected 8 parameters");
  EXPECT_EQ(failureOf("10.0.0.1 [1] SMTP 06 Dec 2026 07:05:13 +0000"),
            L"Run-Time error: Wrong log file format. Message string expected");
  EXPECT_EQ(failureOf("10.0.0.1 1A2B SMTP 06 Dec 2026 07:05:13 +0000 x"),
            L"Run-Time error: Wrong log file format. Session ID expected");
  EXPECT_EQ(failureOf("10.0.0.1 [1] SMTP 06 dec 2026 07:05:13 +0000 x"),
            L"Run-Time error: Wrong log file format. Month name expected");
  EXPECT_EQ(failureOf("10.0.0.1 [1] SMTP 06 Dec 2026 07-05-13 +0000 x"),
            L"Run-Time error: Wrong log file format. Time expected");
  // A bad month and a bad time: the month is checked first.
  EXPECT_EQ(failureOf("10.0.0.1 [1] SMTP 06 Foo 2026 7 +0000 x"),
            L"Run-Time error: Wrong log file format. Month name expected");
}

TEST(TrafficLogLineParse, FailureNamesTheParsingOperation) {
  try {
    parsedLine("10.0.0.1 [1] SMTP 06 Dec 2026 07:05:13 +0000");
    FAIL() << "no failure";
  } catch (const vexception& e) {
    ASSERT_FALSE(e.trace().empty());
    EXPECT_EQ(e.trace().front().function, "Dravo::DravoLogFile::LogMessage::parse");
  }
}

TEST(TrafficLogLineParse, SessionIdIsHexInBrackets) {
  EXPECT_EQ(parsedLine("a [1A2B] SMTP 06 Dec 2026 07:05:13 +0000 x").sessionId, 6699u);
  EXPECT_EQ(parsedLine("a [FFFFFFFF] SMTP 06 Dec 2026 07:05:13 +0000 x").sessionId, 0xFFFFFFFFu);
}

TEST(TrafficLogLineParse, UnusualFieldShapesReadAsTheCLibraryReadsThem) {
  const DravoLogFile::LogLine usual = parsedLine("a [0000001A] SMTP 06 Dec 2026 07:05:13 +0000 x");
  const DravoLogFile::LogLine odd = parsedLine("a [1a] SMTP 6th Dec 2026AD 7:5:13 +0000 x");
  EXPECT_EQ(odd.sessionId, usual.sessionId);
  EXPECT_EQ(odd.time.wYear, usual.time.wYear);
  EXPECT_EQ(odd.time.wDay, usual.time.wDay);
  EXPECT_EQ(odd.time.wHour, usual.time.wHour);
  EXPECT_EQ(odd.time.wMinute, usual.time.wMinute);
  EXPECT_EQ(odd.time.wSecond, usual.time.wSecond);
  EXPECT_EQ(parsedLine("a [0x1A] SMTP 06 Dec 2026 07:05:13 +0000 x").sessionId, 0x1Au);
  EXPECT_EQ(parsedLine("a [123456789] SMTP 06 Dec 2026 07:05:13 +0000 x").sessionId, 0x12345678u)
      << "eight digits at most";
}

TEST(TrafficMonthNames, ExactNamesOnly) {
  EXPECT_EQ(Dravo::monthStrToInt(L"Jan"), 1);
  EXPECT_EQ(Dravo::monthStrToInt(L"Dec"), 12);
  EXPECT_THROW(Dravo::monthStrToInt(L"jan"), vexception);
  EXPECT_THROW(Dravo::monthStrToInt(L"January"), vexception);
}

TEST(TrafficLogMessage, ClientSessionPrefixAndDirection) {
  const auto prefixed = messageOf(L"Client session >>> two words");
  EXPECT_TRUE(prefixed.clientSession);
  EXPECT_EQ(prefixed.direction, DravoLogFile::outgoing);
  EXPECT_EQ(prefixed.text, L"two words");

  const auto other = messageOf(L"Client connected >>> x");
  EXPECT_FALSE(other.clientSession);
  EXPECT_EQ(other.direction, DravoLogFile::noDirection);
  EXPECT_EQ(other.text, L"Client connected >>> x");

  const auto bare = messageOf(L"Client session");
  EXPECT_FALSE(bare.clientSession);
  EXPECT_EQ(bare.text, L"Client session");

  EXPECT_EQ(messageOf(L"<<< 250 OK").direction, DravoLogFile::incoming);
  const auto info = messageOf(L"***");
  EXPECT_EQ(info.direction, DravoLogFile::information);
  EXPECT_EQ(info.text, L"");
}

TEST(TrafficLogMessage, WhiteSpaceCollapsesToSingleBlanks) {
  EXPECT_EQ(parsedLine(std::string(head) + " <<<  one \t two\t\tthree").message.text, L"one two three");
  SCOPED_TRACE("read from a stream: ASCII lines and a line in the ANSI code page");
  const std::string content = std::string(head) + " <<<  one \t two\t\tthree\n" + head + " <<< j\xfcrgen\v\f \x80\xe9 \n";
  EXPECT_EQ(textsOf(content), (std::vector<std::wstring>{L"one two three", toWide("j\xfcrgen \x80\xe9", CP_ACP)}));
}

TEST(TrafficLogMessage, ParameterAfterKeywordInEitherCase) {
  EXPECT_EQ(messageOf(L"MAIL FROM: <a@b.example> SIZE=100").parameter(L"MAIL FROM:"), L"<a@b.example>");
  EXPECT_EQ(messageOf(L"mail from:<a@b.example> SIZE=100").parameter(L"MAIL FROM:"), L"<a@b.example>");
  EXPECT_EQ(messageOf(L"RCPT TO:<a@b.example>").parameter(L"MAIL FROM:"), L"");
  EXPECT_EQ(messageOf(L"ends with MAIL FROM:").parameter(L"MAIL FROM:"), L"");
  EXPECT_EQ(messageOf(L"USER box@b.example").parameter(L"USER"), L"box@b.example");
}

TEST(TrafficLogMessage, WordsAreSplitAtEverySingleBlank) {
  DravoLogFile::LogMessage message;
  message.text = L"a b c d";
  EXPECT_EQ(message.word(3), L"d");
  EXPECT_EQ(message.word(4), L"");
  message.text = L"a  b c";  // the empty word between the two blanks counts
  EXPECT_EQ(message.word(1), L"");
  EXPECT_EQ(message.word(3), L"c");
}

TEST(TrafficLogIterator, StopsBeforeAnUnendedLastLineAndAtAnEmptyLine) {
  const std::string line1 = std::string(head) + " <<< first\n";
  const std::string line2 = std::string(head) + " <<< second\n";
  EXPECT_EQ(textsOf(line1 + line2 + std::string(head) + " <<< unended"),
            (std::vector<std::wstring>{L"first", L"second"}));
  EXPECT_EQ(textsOf(line1 + "\n" + line2), (std::vector<std::wstring>{L"first"}));
  EXPECT_TRUE(textsOf("").empty());
}

TEST(TrafficLogIterator, EqualityAndFailurePropagation) {
  std::istringstream stream(std::string(head) + " <<< ok\nbroken line\n" + head + " <<< after\n");
  DravoLogFile::iterator line(stream), end;
  ASSERT_NE(line, end);
  EXPECT_EQ(line->message.text, L"ok");
  EXPECT_THROW(++line, vexception);
  EXPECT_EQ(line, end);
  std::istringstream empty;
  EXPECT_EQ(DravoLogFile::iterator(empty), end);
}

TEST(TrafficLogIterator, ReadsCrLfFilesInTextMode) {
  LogDir dir;
  {
    maillog::LogFileWriter writer(dir.narrow() + "s.log", false);
    writer.write(maillog::Service::smtp, "10.0.0.2", 7, maillog::LogStamp{2026, 2, 3, 4, 5, 6}, "<<< HELO x");
  }
  std::ifstream stream(dir.narrow() + "s.log");
  DravoLogFile::iterator line(stream), end;
  ASSERT_NE(line, end);
  EXPECT_EQ(line->message.text, L"HELO x");
  EXPECT_EQ(line->sessionId, 7u);
  EXPECT_EQ(line->time.wMonth, 2);
  EXPECT_EQ(++line, end);
}
