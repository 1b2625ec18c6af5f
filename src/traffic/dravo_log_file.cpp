#include "traffic/dravo_log_file.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <type_traits>

#include "platform/exceptions.h"
#include "platform/strings.h"
#include "traffic/log_line_split.h"

namespace Dravo {
namespace {

// Space, or tab, LF, vertical tab, form feed and CR, which are 9 to 13.
bool isLogSpace(wchar_t c) { return c <= L' ' && (c == L' ' || (c >= L'\t' && c <= L'\r')); }

template <class Char>
bool isDigit(Char c) { return c >= Char('0') && c <= Char('9'); }

// The value of each ASCII hexadecimal digit, -1 for other characters.
struct HexDigits {
  signed char of[128];
  constexpr HexDigits() : of{} {
    for (signed char& value : of) value = -1;
    for (int c = 0; c < 10; ++c) of['0' + c] = static_cast<signed char>(c);
    for (int c = 0; c < 6; ++c) of['a' + c] = of['A' + c] = static_cast<signed char>(10 + c);
  }
};
constexpr HexDigits hexDigits;

template <class Char>
int hexValue(Char c) {
  const auto code = static_cast<std::make_unsigned_t<Char>>(c);
  return code < 128 ? hexDigits.of[code] : -1;
}

// A narrow token is ASCII and reads the same widened byte by byte; what the C library's
// wide scanners are handed for the shapes the fast readers below leave to them.
template <class Char>
std::wstring wideOf(std::basic_string_view<Char> token) {
  return std::wstring(token.begin(), token.end());
}

// The C library's upper case of one character; ASCII is answered inline because it is
// nearly all of a log and the library maps it the same way.
template <class Char>
wchar_t upperOf(Char c) {
  const auto code = static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(c));
  if (code < 0x80) return code >= L'a' && code <= L'z' ? static_cast<wchar_t>(code - (L'a' - L'A')) : code;
  return static_cast<wchar_t>(std::towupper(code));
}

// Where the upper-case form of `keyword` first occurs in the upper-case form of `text`.
template <class Char, class Key>
std::size_t findUpperCased(std::basic_string_view<Char> text, std::basic_string_view<Key> keyword) {
  if (keyword.empty()) return 0;
  if (keyword.size() > text.size()) return text.npos;
  // An ASCII character matches the first one only as itself or its lower case.
  const wchar_t first = upperOf(keyword[0]);
  const wchar_t firstLower = first >= L'A' && first <= L'Z' ? static_cast<wchar_t>(first + (L'a' - L'A')) : first;
  for (std::size_t at = 0; at + keyword.size() <= text.size(); ++at) {
    const auto c = static_cast<wchar_t>(static_cast<std::make_unsigned_t<Char>>(text[at]));
    if (c != first && c != firstLower && (c < 0x80 || upperOf(c) != first)) continue;
    std::size_t k = 1;
    while (k < keyword.size() && upperOf(text[at + k]) == upperOf(keyword[k])) ++k;
    if (k == keyword.size()) return at;
  }
  return text.npos;
}

// Where `keyword` occurs as written at or after `from`.
template <class Char, class Key>
std::size_t findExact(std::basic_string_view<Char> text, std::basic_string_view<Key> keyword, std::size_t from) {
  const auto code = [](auto c) { return static_cast<wchar_t>(static_cast<std::make_unsigned_t<decltype(c)>>(c)); };
  for (std::size_t at = from; at + keyword.size() <= text.size(); ++at) {
    std::size_t k = 0;
    while (k < keyword.size() && code(text[at + k]) == code(keyword[k])) ++k;
    if (k == keyword.size()) return at;
  }
  return text.npos;
}

template <class Char, class Key>
std::basic_string_view<Char> parameterIn(std::basic_string_view<Char> text, std::basic_string_view<Key> keyword) {
  // Every match as written is also a match upper-cased, so none lies before the first of
  // those: one pass over the text when the keyword is absent, as it mostly is.
  const std::size_t anyCase = findUpperCased(text, keyword);
  if (anyCase == text.npos) return {};
  const std::size_t exact = findExact(text, keyword, anyCase);
  const std::size_t at = exact == text.npos ? anyCase : exact;
  std::size_t start = at + keyword.size();
  while (start < text.size() && text[start] == Char(' ')) ++start;
  const std::size_t end = text.find(Char(' '), start);
  return text.substr(start, end == text.npos ? text.npos : end - start);
}

// The scanners below read the usual shape of each field directly and hand anything else
// to the C library, so odd input is read exactly as the library reads it.

// "%08x" after an opening bracket.
template <class Char>
bool scanSessionId(std::basic_string_view<Char> token, unsigned int& id) {
  if (token.size() >= 9 && token[0] == Char('[')) {
    unsigned int value = 0;
    std::size_t i = 1;
    for (int digit; i <= 8 && (digit = hexValue(token[i])) >= 0; ++i) value = value << 4 | static_cast<unsigned>(digit);
    if (i == 9) {
      id = value;
      return true;
    }
  }
  return std::swscanf(wideOf(token).c_str(), L"[%08x]", &id) == 1;
}

// "%02d:%02d:%02d".
template <class Char>
bool scanTime(std::basic_string_view<Char> token, int& hour, int& minute, int& second) {
  if (token.size() >= 8 && token[2] == Char(':') && token[5] == Char(':') && isDigit(token[0]) && isDigit(token[1]) &&
      isDigit(token[3]) && isDigit(token[4]) && isDigit(token[6]) && isDigit(token[7])) {
    hour = (token[0] - Char('0')) * 10 + (token[1] - Char('0'));
    minute = (token[3] - Char('0')) * 10 + (token[4] - Char('0'));
    second = (token[6] - Char('0')) * 10 + (token[7] - Char('0'));
    return true;
  }
  return std::swscanf(wideOf(token).c_str(), L"%02d:%02d:%02d", &hour, &minute, &second) == 3;
}

// The leading decimal number, as wcstol reads it; the server writes days in two digits
// and years in four.
template <class Char>
int leadingNumber(std::basic_string_view<Char> token) {
  const auto digit = [&](std::size_t i) { return token[i] - Char('0'); };
  if (token.size() == 2 && isDigit(token[0]) && isDigit(token[1])) return digit(0) * 10 + digit(1);
  if (token.size() == 4 && isDigit(token[0]) && isDigit(token[1]) && isDigit(token[2]) && isDigit(token[3])) {
    return ((digit(0) * 10 + digit(1)) * 10 + digit(2)) * 10 + digit(3);
  }
  if (!token.empty() && token.size() <= 9) {
    int value = 0;
    std::size_t i = 0;
    for (; i < token.size() && isDigit(token[i]); ++i) value = value * 10 + digit(i);
    if (i == token.size()) return value;
  }
  return static_cast<int>(std::wcstol(wideOf(token).c_str(), nullptr, 10));
}

template <class Char>
int monthOf(std::basic_string_view<Char> text) {
  static const char names[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  if (text.size() == 3) {
    for (int i = 0; i < 12; ++i) {
      if (text[0] == Char(names[3 * i]) && text[1] == Char(names[3 * i + 1]) && text[2] == Char(names[3 * i + 2])) return i + 1;
    }
  }
  throwRuntimeError(L"Wrong log file format. Month name expected", site("Dravo::monthStrToInt", __LINE__));
}

template <class Char>
using Tokens = std::span<const std::basic_string_view<Char>>;

bool isMarker(std::wstring_view token, const wchar_t* marker) { return token == marker; }
bool isMarker(std::string_view token, const wchar_t* marker) {
  return token.size() == 3 && token[0] == marker[0] && token[1] == marker[1] && token[2] == marker[2];
}
template <class Char>
bool isWord(std::basic_string_view<Char> token, std::string_view word) {
  return token.size() == word.size() && std::equal(word.begin(), word.end(), token.begin(), [](char a, Char b) { return Char(a) == b; });
}

// The message's markers and text. When `oneBuffer` holds, the tokens are views of one
// line (the last may reach over several words to its end), and the text is a view of it
// where its words stand separated by single blanks; otherwise the words are joined into
// `joined`, which keeps its capacity.
template <class Char>
void parseMessage(Tokens<Char> tokens, DravoLogFile::LineView<Char>& line, std::basic_string<Char>& joined, bool oneBuffer) {
  if (tokens.empty()) {
    throwRuntimeError(L"Wrong log file format. Message string expected",
                      site("Dravo::DravoLogFile::LogMessage::parse", __LINE__));
  }
  std::size_t i = 0;
  line.clientSession = false;
  // Only a prefix when more words follow it.
  if (tokens.size() > 2 && isWord(tokens[0], "Client") && isWord(tokens[1], "session")) {
    line.clientSession = true;
    i = 2;
  }
  line.direction = DravoLogFile::noDirection;
  if (isMarker(tokens[i], L">>>")) line.direction = DravoLogFile::outgoing;
  else if (isMarker(tokens[i], L"<<<")) line.direction = DravoLogFile::incoming;
  else if (isMarker(tokens[i], L"***")) line.direction = DravoLogFile::information;
  if (line.direction != DravoLogFile::noDirection) ++i;
  tokens = tokens.subspan(i);
  std::size_t length = 0;
  for (const auto& token : tokens) length += token.size() + 1;
  length = length == 0 ? 0 : length - 1;
  if (oneBuffer && !tokens.empty()) {
    const std::basic_string_view<Char> span(tokens.front().data(), length);
    bool single = tokens.back().data() + tokens.back().size() == span.data() + length;
    for (std::size_t k = 1; single && k < tokens.size(); ++k) single = tokens[k].data()[-1] == Char(' ');
    if (single) {
      line.text = span;
      return;
    }
  }
  joined.resize(length);
  Char* out = joined.data();
  for (const auto& token : tokens) {
    if (out != joined.data()) *out++ = Char(' ');
    out = std::copy(token.begin(), token.end(), out);
  }
  line.text = joined;
}

template <class Char>
void parseLine(Tokens<Char> tokens, DravoLogFile::LineView<Char>& line, std::basic_string<Char>& joined, bool oneBuffer) {
  static const char* const where = "Dravo::DravoLogFile::LogLine::parse";
  if (tokens.size() < 8) throwRuntimeError(L"Wrong log file format. Expected 8 parameters", site(where, __LINE__));
  line.address = tokens[0];
  unsigned int id = 0;
  if (!scanSessionId(tokens[1], id)) throwRuntimeError(L"Wrong log file format. Session ID expected", site(where, __LINE__));
  line.sessionId = id;
  const int day = leadingNumber(tokens[3]);
  const int month = monthOf(tokens[4]);
  const int year = leadingNumber(tokens[5]);
  int hour = 0, minute = 0, second = 0;
  if (!scanTime(tokens[6], hour, minute, second)) {
    throwRuntimeError(L"Wrong log file format. Time expected", site(where, __LINE__));
  }
  line.time = SYSTEMTIME{};
  line.time.wYear = static_cast<WORD>(year);
  line.time.wMonth = static_cast<WORD>(month);
  line.time.wDay = static_cast<WORD>(day);
  line.time.wHour = static_cast<WORD>(hour);
  line.time.wMinute = static_cast<WORD>(minute);
  line.time.wSecond = static_cast<WORD>(second);
  line.eighthField = tokens[7];
  parseMessage(tokens.subspan(8), line, joined, oneBuffer);
}

// `line` from the ANSI code page, converted into `buffer`, which keeps its size between
// lines. No code page makes more characters than bytes; should one do so, the general
// conversion takes over.
std::wstring_view widen(std::string_view line, std::wstring& buffer) {
  if (buffer.size() < line.size()) buffer.resize(line.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), buffer.data(),
                                         static_cast<int>(buffer.size()));
  if (length > 0) return std::wstring_view(buffer.data(), static_cast<std::size_t>(length));
  buffer = toWide(line, CP_ACP);
  return buffer;
}

std::vector<std::wstring_view> viewsOf(const LogTokens& tokens, std::size_t first = 0) {
  return std::vector<std::wstring_view>(tokens.begin() + static_cast<std::ptrdiff_t>(first), tokens.end());
}


}  // namespace

int monthStrToInt(std::wstring_view text) { return monthOf(text); }

void splitLogTokens(std::wstring_view text, LogTokenViews& tokens) {
  tokens.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isLogSpace(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isLogSpace(text[i])) ++i;
    if (i > start) tokens.push_back(text.substr(start, i - start));
  }
}

void splitLogTokens(const std::wstring& text, LogTokens& tokens) {
  LogTokenViews views;
  splitLogTokens(std::wstring_view(text), views);
  tokens.assign(views.begin(), views.end());
}

std::string_view logParameter(std::string_view text, std::string_view keyword) { return parameterIn(text, keyword); }
std::wstring_view logParameter(std::wstring_view text, std::string_view keyword) { return parameterIn(text, keyword); }

void DravoLogFile::LogLine::parse(const LogTokens& tokens) { parse(viewsOf(tokens)); }

void DravoLogFile::LogLine::parse(std::span<const std::wstring_view> tokens) {
  // The text is joined into the message, which keeps its capacity from line to line.
  LineView<wchar_t> view;
  parseLine(tokens, view, message.text, false);
  address.assign(view.address);
  sessionId = view.sessionId;
  time = view.time;
  eighthField.assign(view.eighthField);
  message.clientSession = view.clientSession;
  message.direction = view.direction;
}

DravoLogFile::LineView<wchar_t> DravoLogFile::LogLine::view() const {
  return {address, sessionId, time, eighthField, message.clientSession, message.direction, message.text};
}

void DravoLogFile::LogMessage::parse(const LogTokens& tokens, std::size_t first) {
  parse(viewsOf(tokens, first < tokens.size() ? first : tokens.size()));
}

void DravoLogFile::LogMessage::parse(std::span<const std::wstring_view> tokens) {
  LineView<wchar_t> view;
  parseMessage(tokens, view, text, false);
  clientSession = view.clientSession;
  direction = view.direction;
}

std::wstring DravoLogFile::LogMessage::parameter(std::wstring_view keyword) const {
  return std::wstring(parameterIn(std::wstring_view(text), keyword));
}

std::wstring DravoLogFile::LogMessage::word(std::size_t n) const { return std::wstring(logWord(std::wstring_view(text), n)); }

bool DravoLogFile::LineParser::parseAscii(std::string_view raw) {
  std::string_view first[splitTokens];
  std::size_t count = 0;
  if (splitCanonical(raw, first, count)) {
    parseLine<char>(std::span(first, count), narrow_, narrowText_, true);
    return true;
  }
  if (!splitAscii(raw, narrowTokens_)) return false;
  parseLine<char>(narrowTokens_, narrow_, narrowText_, true);
  return true;
}

const DravoLogFile::LineView<wchar_t>& DravoLogFile::LineParser::parseConverted(std::string_view raw) {
  splitLogTokens(widen(raw, wideLine_), wideTokens_);
  parseLine<wchar_t>(wideTokens_, wide_, wideText_, true);
  return wide_;
}

DravoLogFile::iterator::iterator(std::istream& stream) : stream_(&stream) { readLine(); }

DravoLogFile::iterator& DravoLogFile::iterator::operator++() {
  readLine();
  return *this;
}

void DravoLogFile::iterator::readLine() {
  std::getline(*stream_, raw_, '\n');
  // At end of file getline also sets eof for a last line without its line end.
  if (!*stream_ || stream_->eof() || raw_.empty()) {
    stream_ = nullptr;
    return;
  }
  try {
    parser_.parse(raw_, [this](const auto& view) { line_.assign(view); });
  } catch (...) {
    stream_ = nullptr;  // a failed line ends the walk
    throw;
  }
}

}  // namespace Dravo
