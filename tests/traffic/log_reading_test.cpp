// The block reader against the C library's text-mode stream, and the line parser's fast
// paths against the general splitting and parsing, on seeded random input.

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/raised.h"
#include "traffic/log_dir.h"
#include "traffic/log_file_reader.h"

using Dravo::DravoLogFile;

namespace {

// Lines as the walk over a text-mode stream sees them: up to an empty line, a failed
// read or a last line without its line end.
std::vector<std::string> viaTextStream(const std::string& path) {
  std::ifstream stream(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(stream, line) && !stream.eof() && !line.empty();) lines.push_back(line);
  return lines;
}

std::vector<std::string> viaReader(Dravo::LogFileReader& reader, const std::string& path) {
  reader.open(path);
  std::vector<std::string> lines;
  for (std::string_view line; reader.next(line);) lines.emplace_back(line);
  reader.close();
  return lines;
}

// The parsed fields of a line, or what parsing it raised.
std::wstring describe(const DravoLogFile::LogLine& line) {
  std::wstring time;
  for (const WORD field : {line.time.wYear, line.time.wMonth, line.time.wDayOfWeek, line.time.wDay, line.time.wHour,
                           line.time.wMinute, line.time.wSecond, line.time.wMilliseconds}) {
    time += std::to_wstring(field) + L" ";
  }
  return line.address + L"|" + std::to_wstring(line.sessionId) + L"|" + time + L"|" + line.eighthField + L"|" +
         std::to_wstring(line.message.clientSession) + std::to_wstring(line.message.direction) + L"|" + line.message.text;
}

std::wstring parsedByParser(DravoLogFile::LineParser& parser, const std::string& raw) {
  std::wstring result;
  const std::wstring failure = raised([&] {
    parser.parse(raw, [&](const auto& view) {
      DravoLogFile::LogLine line;
      line.assign(view);
      result = describe(line);
    });
  });
  return failure == L"<no failure>" ? result : failure;
}

std::wstring parsedInGeneral(const std::string& raw) {
  std::wstring result;
  const std::wstring failure = raised([&] {
    Dravo::LogTokens tokens;
    Dravo::splitLogTokens(toWide(raw, CP_ACP), tokens);
    DravoLogFile::LogLine line;
    line.parse(tokens);
    result = describe(line);
  });
  return failure == L"<no failure>" ? result : failure;
}

}  // namespace

TEST(TrafficLogReading, BlocksReadAsTheTextModeStreamAtEveryBlockSize) {
  // CR LF arrives as LF, a lone CR stays, 0x1A ends the file; lines cross block ends and
  // outgrow small blocks; one reader serves every file, as it does in a call.
  LogDir dir;
  const std::string path = dir.narrow() + "random.log";
  std::mt19937 random(20261206);
  const char bytes[] = {'a', 'a', 'a', 'a', 'b', ' ', '\t', '\r', '\r', '\n', '\n', '\x1a', '\0', '\x80'};
  std::vector<Dravo::LogFileReader> readers;
  for (const std::size_t block : {1, 2, 3, 7, 16, 4096}) readers.emplace_back(block);
  for (int file = 0; file < 1500; ++file) {
    std::string content(random() % 64, 'a');
    for (char& c : content) c = random() % 3 ? bytes[random() % 4] : bytes[random() % sizeof bytes];
    std::ofstream(path, std::ios::binary) << content;
    const std::vector<std::string> expected = viaTextStream(path);
    for (Dravo::LogFileReader& reader : readers) ASSERT_EQ(viaReader(reader, path), expected) << "file " << file;
  }
  EXPECT_TRUE(viaReader(readers[0], dir.narrow() + "absent.log").empty());
}

TEST(TrafficLogReading, FastParsingGivesWhatTheGeneralSplittingAndParsingGive) {
  // Heads with and without damage, messages with markers, words of any length across the
  // parser's sixteen-byte steps, blanks, tabs and runs of white space, and bytes that are
  // not ASCII, which take the code-page conversion.
  std::mt19937 random(7);
  const auto pick = [&](std::vector<std::string> from) { return from[random() % from.size()]; };
  DravoLogFile::LineParser parser;
  int parsed = 0;
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
    for (int words = random() % 14; words > 0; --words) {
      line += gap() + (random() % 8 ? word() : pick({"Client", "session", ">>>", "<<<", "***"}));
    }
    if (random() % 30 == 0) line += gap();
    const std::wstring expected = parsedInGeneral(line);
    ASSERT_EQ(parsedByParser(parser, line), expected) << line;
    parsed += expected.find(L"Run-Time error") == std::wstring::npos;
  }
  EXPECT_GT(parsed, 4000) << "most lines parse, so that their fields are compared";
}
