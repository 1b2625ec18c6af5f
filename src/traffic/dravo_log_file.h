#pragma once
// The mail server's SMTP and POP3 log lines: their parsed form and an input iterator
// that turns an open log stream into parsed lines. A malformed line raises; nothing is
// skipped silently.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <istream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Dravo {

using LogTokens = std::vector<std::wstring>;
// Tokens that point into a line held elsewhere; what the iterator uses, so that reading
// a line allocates nothing once its buffers have grown.
using LogTokenViews = std::vector<std::wstring_view>;

// "Jan" is 1 ... "Dec" is 12, exact and case-sensitive; anything else raises.
int monthStrToInt(std::wstring_view text);

class DravoLogFile {
 public:
  enum Direction { noDirection = 0, outgoing = 1, incoming = 2, information = 3 };

  struct LogMessage {
    bool clientSession = false;
    Direction direction = noDirection;
    std::wstring text;  // the words after the markers, joined by single blanks

    // `tokens` are what follows the eighth token of the line.
    void parse(const LogTokens& tokens, std::size_t first = 0);
    void parse(std::span<const std::wstring_view> tokens);
    // The blank-delimited value after `keyword`, matched as written or else upper-cased.
    std::wstring parameter(std::wstring_view keyword) const;
    // Word n (zero-based) of the text split at every single blank.
    std::wstring word(std::size_t n) const;
  };

  // A parsed line whose fields point into the line's text or into the parser that made
  // it; what the traffic readers use, so that reading a line copies nothing.
  template <class Char>
  struct LineView {
    std::basic_string_view<Char> address;
    std::uint32_t sessionId = 0;
    SYSTEMTIME time{};
    std::basic_string_view<Char> eighthField;
    bool clientSession = false;
    Direction direction = noDirection;
    std::basic_string_view<Char> text;  // the words after the markers, joined by single blanks
  };

  struct LogLine {
    std::wstring address;
    std::uint32_t sessionId = 0;
    SYSTEMTIME time{};
    std::wstring eighthField;
    LogMessage message;

    void parse(const LogTokens& tokens);
    void parse(std::span<const std::wstring_view> tokens);
    LineView<wchar_t> view() const;
    // The view's fields copied into this line; a narrow view is ASCII and widens byte by byte.
    template <class Char>
    void assign(const LineView<Char>& view) {
      address.assign(view.address.begin(), view.address.end());
      sessionId = view.sessionId;
      time = view.time;
      eighthField.assign(view.eighthField.begin(), view.eighthField.end());
      message.clientSession = view.clientSession;
      message.direction = view.direction;
      message.text.assign(view.text.begin(), view.text.end());
    }
  };

  // Parses raw lines (without their line end) into views, keeping its buffers from line to
  // line. An ASCII line is parsed as it is, since ASCII reads the same in every ANSI code
  // page; any other line is converted from the ANSI code page first. A malformed line
  // raises. `use` receives a LineView<char> or a LineView<wchar_t>, valid during the call.
  class LineParser {
   public:
    template <class Use>
    void parse(std::string_view raw, Use&& use) {
      if (parseAscii(raw)) use(narrow_);
      else use(parseConverted(raw));
    }

   private:
    bool parseAscii(std::string_view raw);
    const LineView<wchar_t>& parseConverted(std::string_view raw);

    std::vector<std::string_view> narrowTokens_;
    std::string narrowText_;
    LineView<char> narrow_;
    std::wstring wideLine_, wideText_;
    LogTokenViews wideTokens_;
    LineView<wchar_t> wide_;
  };

  // Reads and parses the next line on each step; ends at end of file, at a read
  // failure, at an empty line, and before a last line without its line end.
  class iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = LogLine;
    using difference_type = std::ptrdiff_t;
    using pointer = const LogLine*;
    using reference = const LogLine&;

    iterator() = default;
    explicit iterator(std::istream& stream);

    reference operator*() const { return line_; }
    pointer operator->() const { return &line_; }
    iterator& operator++();
    bool operator==(const iterator& other) const { return stream_ == other.stream_; }

   private:
    void readLine();

    std::istream* stream_ = nullptr;
    std::string raw_;
    LineParser parser_;
    LogLine line_;
  };
};

// Splits at runs of space, tab, CR, LF, vertical tab and form feed; no empty tokens.
void splitLogTokens(const std::wstring& text, LogTokens& tokens);
void splitLogTokens(std::wstring_view text, LogTokenViews& tokens);

// The blank-delimited value after `keyword` in a message text, matched as written or else
// upper-cased; empty when absent. Keywords and narrow texts are ASCII.
std::string_view logParameter(std::string_view text, std::string_view keyword);
std::wstring_view logParameter(std::wstring_view text, std::string_view keyword);
// Word n (zero-based) of a message text split at every single blank.
template <class Char>
std::basic_string_view<Char> logWord(std::basic_string_view<Char> text, std::size_t n) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t blank = text.find(Char(' '), start);
    if (blank == text.npos) return {};
    start = blank + 1;
  }
  const std::size_t end = text.find(Char(' '), start);
  return text.substr(start, end == text.npos ? text.npos : end - start);
}

}  // namespace Dravo
