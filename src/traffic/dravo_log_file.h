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

  struct LogLine {
    std::wstring address;
    std::uint32_t sessionId = 0;
    SYSTEMTIME time{};
    std::wstring eighthField;
    LogMessage message;

    void parse(const LogTokens& tokens);
    void parse(std::span<const std::wstring_view> tokens);
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
    std::wstring wide_;
    LogTokenViews tokens_;
    LogLine line_;
  };
};

// Splits at runs of space, tab, CR, LF, vertical tab and form feed; no empty tokens.
void splitLogTokens(const std::wstring& text, LogTokens& tokens);
void splitLogTokens(std::wstring_view text, LogTokenViews& tokens);

}  // namespace Dravo
