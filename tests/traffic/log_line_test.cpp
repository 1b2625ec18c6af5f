// Log lines: the block reader against the C library's text-mode stream, the fields and
// failures of a parsed line, and the parser's fast paths against the general splitting and
// parsing on seeded random input.

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/raised.h"
#include "traffic/dravo_log_file.h"
#include "platform/scratch_dir.h"
#include "traffic/log_file_reader.h"

using Dravo::DravoLogFile;

namespace {

const std::string head = "10.0.0.1 [0000001A] SMTP 06 Dec 2026 07:05:13 +0000 ";
const std::wstring headFields = L"10.0.0.1|26|2026-12-6 7:5:13.0 0|+0000|";

// The fields of a line as "address|id|date time.ms weekday|eighth field|client direction|text",
// or what parsing it raised: through the parser that reading uses (`fast`), else by the
// general splitting and parsing.
std::wstring parsed(const std::string& raw, bool fast = true) {
  static DravoLogFile::LineParser parser;  // one for every line, as in a reading
  DravoLogFile::LogLine line;
  const std::wstring failure = raised([&] {
    if (fast) {
      parser.parse(raw, [&](const auto& view) { line.assign(view); });
    } else {
      Dravo::LogTokens tokens;
      Dravo::splitLogTokens(toWide(raw, CP_ACP), tokens);
      line.parse(tokens);
    }
  });
  const SYSTEMTIME& t = line.time;
  wchar_t time[64];
  swprintf(time, 64, L"%u-%u-%u %u:%u:%u.%u %u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
  return failure != L"<no failure>" ? failure
                                    : line.address + L"|" + std::to_wstring(line.sessionId) + L"|" + time + L"|" + line.eighthField + L"|" +
                                          std::to_wstring(line.message.clientSession) + L" " + std::to_wstring(line.message.direction) + L"|" + line.message.text;
}

// The pinned lines go both ways, which must agree: non-ASCII lines take the general way.
std::wstring bothWays(const std::string& raw) {
  const std::wstring fast = parsed(raw), general = parsed(raw, false);
  return fast == general ? fast : L"fast: " + fast + L", general: " + general;
}

std::vector<std::wstring> textsOf(const std::string& content) {
  std::istringstream stream(content);
  std::vector<std::wstring> texts;
  for (DravoLogFile::iterator line(stream), end; line != end; ++line) texts.push_back(line->message.text);
  return texts;
}

}  // namespace

TEST(TrafficLogLineParse, FieldsOfWellFormedLinesAsTheCLibraryReadsThem) {
  EXPECT_EQ(bothWays(head + "Client session >>> MAIL FROM:<a@b.example>"), headFields + L"1 1|MAIL FROM:<a@b.example>");
  // Unusual field shapes read as the C library reads them; a session id is hex in brackets.
  EXPECT_EQ(bothWays("a [1a] SMTP 6th Dec 2026AD 7:5:13 +0000 x"), L"a|26|2026-12-6 7:5:13.0 0|+0000|0 0|x");
  const std::pair<const char*, std::uint32_t> ids[] = {
      {"[1a]", 0x1A}, {"[1A2B]", 6699}, {"[FFFFFFFF]", 0xFFFFFFFF}, {"[0x1A]", 0x1A}, {"[123456789]", 0x12345678}};
  for (const auto& [id, value] : ids) {
    EXPECT_EQ(bothWays(std::string("a ") + id + " SMTP 06 Dec 2026 07:05:13 +0000 x"), L"a|" + std::to_wstring(value) + L"|2026-12-6 7:5:13.0 0|+0000|0 0|x");
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
  for (const auto& [text, failure] : cases) EXPECT_EQ(bothWays(text), L"Run-Time error: Wrong log file format. " + failure) << text;
  EXPECT_EQ(std::pair(Dravo::monthStrToInt(L"Jan"), Dravo::monthStrToInt(L"Dec")), std::pair(1, 12));
  EXPECT_THROW(Dravo::monthStrToInt(L"January"), vexception);
}

TEST(TrafficLogMessage, ClientSessionPrefixDirectionParametersAndWords) {
  const std::pair<const char*, const wchar_t*> cases[] = {{"Client session >>> two words", L"1 1|two words"},
                                                          {"Client connected >>> x", L"0 0|Client connected >>> x"},
                                                          {"Client session", L"0 0|Client session"},
                                                          {"<<< 250 OK", L"0 2|250 OK"},
                                                          {"***", L"0 3|"}};
  for (const auto& [text, fields] : cases) EXPECT_EQ(bothWays(head + text), headFields + fields) << text;
  const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> parameters[] = {
      {L"MAIL FROM: <a@b.example> SIZE=100", L"MAIL FROM:", L"<a@b.example>"},
      {L"mail from:<a@b.example> SIZE=100", L"MAIL FROM:", L"<a@b.example>"},
      {L"RCPT TO:<a@b.example>", L"MAIL FROM:", L""},
      {L"ends with MAIL FROM:", L"MAIL FROM:", L""},
      {L"USER box@b.example", L"USER", L"box@b.example"}};
  DravoLogFile::LogMessage message;
  for (const auto& [text, keyword, value] : parameters) EXPECT_EQ((message.text = text, message.parameter(keyword)), value) << text;
  message.text = L"a  b c";  // the empty word between the two blanks counts
  EXPECT_EQ(std::tuple(message.word(1), message.word(3), message.word(4)), std::tuple(std::wstring(), std::wstring(L"c"), std::wstring()));
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

TEST(TrafficLogReading, BlocksReadAsTheTextModeStreamAtEveryBlockSize) {
  // CR LF arrives as LF, a lone CR stays, 0x1A ends the file; lines cross block ends and
  // outgrow small blocks; one reader serves every file, as it does in a call. Lines are
  // read either copied at once, or kept where they lie while their buffers are exchanged
  // at each block's end, and read only once the file is done.
  ScratchDir scratch;
  const std::string path = toNarrow(scratch / L"random.log", CP_ACP);
  std::deque<Dravo::LogBuffer> kept;
  const auto viaReader = [&kept](Dravo::LogFileReader& reader, const std::string& path, bool keep) {
    reader.open(path);
    std::vector<std::string> lines;
    std::vector<std::string_view> views;
    for (std::string_view line;;) {
      if (reader.next(line)) (keep ? views.emplace_back(line) : lines.emplace_back(line));
      else if (reader.ended()) break;
      else if (keep) reader.exchange(kept.emplace_back());
    }
    reader.close();
    reader.exchange(kept.emplace_back());
    lines.insert(lines.end(), views.begin(), views.end());
    if (kept.size() > 64) kept.erase(kept.begin(), kept.end() - 8);  // buffers of earlier files
    return lines;
  };
  std::mt19937 random(20261206);
  const char bytes[] = {'a', 'a', 'a', 'a', 'b', ' ', '\t', '\r', '\r', '\n', '\n', '\x1a', '\0', '\x80'};
  std::vector<Dravo::LogFileReader> readers;
  for (const std::size_t block : {1, 2, 3, 7, 16, 4096}) readers.emplace_back(block);
  for (int file = 0; file < 1500; ++file) {
    std::string content(random() % 64, 'a');
    for (char& c : content) c = random() % 3 ? bytes[random() % 4] : bytes[random() % sizeof bytes];
    std::ofstream(path, std::ios::binary) << content;
    // As the text-mode stream gives them: up to an empty line, a failed read or a last line without its end.
    std::ifstream stream(path);
    std::vector<std::string> expected;
    for (std::string line; std::getline(stream, line) && !stream.eof() && !line.empty();) expected.push_back(line);
    for (Dravo::LogFileReader& reader : readers) {
      for (const bool keep : {false, true}) ASSERT_EQ(viaReader(reader, path, keep), expected) << "file " << file << " keep " << keep;
    }
  }
  EXPECT_TRUE(viaReader(readers[0], toNarrow(scratch / L"absent.log", CP_ACP), true).empty());
}

TEST(TrafficLogReading, FastParsingGivesWhatTheGeneralSplittingAndParsingGive) {
  // Heads with and without damage, messages with markers, words of any length across the
  // parser's sixteen-byte steps, blanks, tabs and runs of white space, and bytes that are
  // not ASCII, which take the code-page conversion.
  std::mt19937 random(7);
  const auto pick = [&](std::vector<std::string> from) { return from[random() % from.size()]; };
  int parses = 0;
  for (int n = 0; n < 20000; ++n) {
    const auto gap = [&] { return random() % 12 ? std::string(" ") : pick({"\t", "  ", " \v", "\r", " \f\t"}); };
    const auto word = [&] {
      std::string w(1 + random() % 20, char('a' + random() % 26));
      if (random() % 40 == 0) w[random() % w.size()] = pick({"\xe9", "\x80", ":", "@"})[0];
      return w;
    };
    std::string line = random() % 30 == 0 ? gap() : "";
    line += pick({"10.0.0.1", "127.0.0.1", "a"}) + gap() + pick({"[0000001A]", "[1a]", "1A2B", "[FFFFFFFF]"}) + gap() +
            pick({"SMTP", "POP3"}) + gap() + pick({"06", "6", "31x"}) + gap() + pick({"Dec", "Jan", "dec"}) + gap() +
            pick({"2026", "26"}) + gap() + pick({"07:05:13", "7:5:13", "07-05-13"}) + gap() + "+0000";
    if (random() % 3 == 0) line += gap() + "Client" + gap() + pick({"session", "session", "connected"});
    if (random() % 2 == 0) line += gap() + pick({">>>", "<<<", "***"});
    for (int words = random() % 14; words > 0; --words) line += gap() + (random() % 8 ? word() : pick({"Client", "session", ">>>", "<<<", "***"}));
    if (random() % 30 == 0) line += gap();
    const std::wstring expected = parsed(line, false);
    ASSERT_EQ(parsed(line), expected) << line;
    parses += expected.find(L"Run-Time error") == std::wstring::npos;
  }
  EXPECT_GT(parses, 4000) << "most lines parse, so that their fields are compared";
}
