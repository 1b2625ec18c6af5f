#include "traffic/dravo_log_file.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "platform/exceptions.h"
#include "platform/strings.h"

namespace Dravo {
namespace {

// Space, or tab, LF, vertical tab, form feed and CR, which are 9 to 13.
bool isLogSpace(wchar_t c) { return c <= L' ' && (c == L' ' || (c >= L'\t' && c <= L'\r')); }

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int hexValue(wchar_t c) {
  if (isDigit(c)) return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// The C library's upper case of one character; ASCII is answered inline because it is
// nearly all of a log and the library maps it the same way.
wchar_t upperOf(wchar_t c) {
  if (c < 0x80) return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - (L'a' - L'A')) : c;
  return static_cast<wchar_t>(std::towupper(c));
}

// Where the upper-case form of `keyword` first occurs in the upper-case form of `text`.
std::size_t findUpperCased(std::wstring_view text, std::wstring_view keyword) {
  if (keyword.empty()) return 0;
  if (keyword.size() > text.size()) return std::wstring_view::npos;
  // An ASCII character matches the first one only as itself or its lower case.
  const wchar_t first = upperOf(keyword[0]);
  const wchar_t firstLower = first >= L'A' && first <= L'Z' ? static_cast<wchar_t>(first + (L'a' - L'A')) : first;
  for (std::size_t at = 0; at + keyword.size() <= text.size(); ++at) {
    const wchar_t c = text[at];
    if (c != first && c != firstLower && (c < 0x80 || upperOf(c) != first)) continue;
    std::size_t k = 1;
    while (k < keyword.size() && upperOf(text[at + k]) == upperOf(keyword[k])) ++k;
    if (k == keyword.size()) return at;
  }
  return std::wstring_view::npos;
}

// The scanners below read the usual shape of each field directly and hand anything else
// to the C library, so odd input is read exactly as the library reads it.

// "%08x" after an opening bracket.
bool scanSessionId(std::wstring_view token, unsigned int& id) {
  if (token.size() >= 9 && token[0] == L'[') {
    unsigned int value = 0;
    std::size_t i = 1;
    for (int digit; i <= 8 && (digit = hexValue(token[i])) >= 0; ++i) value = value << 4 | static_cast<unsigned>(digit);
    if (i == 9) {
      id = value;
      return true;
    }
  }
  return std::swscanf(std::wstring(token).c_str(), L"[%08x]", &id) == 1;
}

// "%02d:%02d:%02d".
bool scanTime(std::wstring_view token, int& hour, int& minute, int& second) {
  if (token.size() >= 8 && token[2] == L':' && token[5] == L':' && isDigit(token[0]) && isDigit(token[1]) &&
      isDigit(token[3]) && isDigit(token[4]) && isDigit(token[6]) && isDigit(token[7])) {
    hour = (token[0] - L'0') * 10 + (token[1] - L'0');
    minute = (token[3] - L'0') * 10 + (token[4] - L'0');
    second = (token[6] - L'0') * 10 + (token[7] - L'0');
    return true;
  }
  return std::swscanf(std::wstring(token).c_str(), L"%02d:%02d:%02d", &hour, &minute, &second) == 3;
}

// The leading decimal number, as wcstol reads it.
int leadingNumber(std::wstring_view token) {
  if (!token.empty() && token.size() <= 9) {
    int value = 0;
    std::size_t i = 0;
    for (; i < token.size() && isDigit(token[i]); ++i) value = value * 10 + (token[i] - L'0');
    if (i == token.size()) return value;
  }
  return static_cast<int>(std::wcstol(std::wstring(token).c_str(), nullptr, 10));
}

// `line` from the ANSI code page, converted into `buffer`, which keeps its size between
// lines. No code page makes more characters than bytes; should one do so, the general
// conversion takes over.
std::wstring_view widen(const std::string& line, std::wstring& buffer) {
  if (buffer.size() < line.size()) buffer.resize(line.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), buffer.data(),
                                         static_cast<int>(buffer.size()));
  if (length > 0) return std::wstring_view(buffer.data(), static_cast<std::size_t>(length));
  buffer = toWide(line, CP_ACP);
  return buffer;
}

// An ASCII line, as nearly every line of a log is, widened into `buffer` and split into
// `tokens` in one pass (ASCII is the same in every ANSI code page); false, with both
// unusable, for any other line, which then takes the code-page conversion.
bool widenAndSplitAscii(const std::string& line, std::wstring& buffer, LogTokenViews& tokens) {
  if (buffer.size() < line.size()) buffer.resize(line.size());
  tokens.clear();
  wchar_t* const out = buffer.data();
  const std::size_t none = line.size();
  std::size_t start = none;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c >= 0x80) return false;
    out[i] = c;
    if (isLogSpace(c)) {
      if (start != none) tokens.emplace_back(out + start, i - start);
      start = none;
    } else if (start == none) {
      start = i;
    }
  }
  if (start != none) tokens.emplace_back(out + start, line.size() - start);
  return true;
}

std::vector<std::wstring_view> viewsOf(const LogTokens& tokens, std::size_t first = 0) {
  return std::vector<std::wstring_view>(tokens.begin() + static_cast<std::ptrdiff_t>(first), tokens.end());
}

}  // namespace

int monthStrToInt(std::wstring_view text) {
  static const wchar_t* const names[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                         L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  for (int i = 0; i < 12; ++i) {
    if (text == names[i]) return i + 1;
  }
  throwRuntimeError(L"Wrong log file format. Month name expected", site("Dravo::monthStrToInt", __LINE__));
}

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

void DravoLogFile::LogLine::parse(const LogTokens& tokens) { parse(viewsOf(tokens)); }

void DravoLogFile::LogLine::parse(std::span<const std::wstring_view> tokens) {
  static const char* const where = "Dravo::DravoLogFile::LogLine::parse";
  if (tokens.size() < 8) throwRuntimeError(L"Wrong log file format. Expected 8 parameters", site(where, __LINE__));
  address.assign(tokens[0]);
  unsigned int id = 0;
  if (!scanSessionId(tokens[1], id)) throwRuntimeError(L"Wrong log file format. Session ID expected", site(where, __LINE__));
  sessionId = id;
  const int day = leadingNumber(tokens[3]);
  const int month = monthStrToInt(tokens[4]);
  const int year = leadingNumber(tokens[5]);
  int hour = 0, minute = 0, second = 0;
  if (!scanTime(tokens[6], hour, minute, second)) {
    throwRuntimeError(L"Wrong log file format. Time expected", site(where, __LINE__));
  }
  time = SYSTEMTIME{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  eighthField.assign(tokens[7]);
  message.parse(tokens.subspan(8));
}

void DravoLogFile::LogMessage::parse(const LogTokens& tokens, std::size_t first) {
  parse(viewsOf(tokens, first < tokens.size() ? first : tokens.size()));
}

void DravoLogFile::LogMessage::parse(std::span<const std::wstring_view> tokens) {
  if (tokens.empty()) {
    throwRuntimeError(L"Wrong log file format. Message string expected",
                      site("Dravo::DravoLogFile::LogMessage::parse", __LINE__));
  }
  std::size_t i = 0;
  clientSession = false;
  // Only a prefix when more words follow it.
  if (tokens.size() > 2 && tokens[0] == L"Client" && tokens[1] == L"session") {
    clientSession = true;
    i = 2;
  }
  direction = noDirection;
  const std::wstring_view marker = tokens[i];
  if (marker == L">>>") direction = outgoing;
  else if (marker == L"<<<") direction = incoming;
  else if (marker == L"***") direction = information;
  if (direction != noDirection) ++i;
  // Sized once and filled in place: the text keeps its capacity from line to line.
  std::size_t length = 0;
  for (std::size_t k = i; k < tokens.size(); ++k) length += tokens[k].size() + 1;
  text.resize(length == 0 ? 0 : length - 1);
  wchar_t* out = text.data();
  for (; i < tokens.size(); ++i) {
    if (out != text.data()) *out++ = L' ';
    out = std::copy(tokens[i].begin(), tokens[i].end(), out);
  }
}

std::wstring DravoLogFile::LogMessage::parameter(std::wstring_view keyword) const {
  // Every match as written is also a match upper-cased, so none lies before the first of
  // those: one pass over the text when the keyword is absent, as it mostly is.
  const std::size_t anyCase = findUpperCased(text, keyword);
  if (anyCase == std::wstring::npos) return {};
  const std::size_t exact = text.find(keyword, anyCase);
  const std::size_t at = exact == std::wstring::npos ? anyCase : exact;
  std::size_t start = at + keyword.size();
  while (start < text.size() && text[start] == L' ') ++start;
  const std::size_t end = text.find(L' ', start);
  return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring DravoLogFile::LogMessage::word(std::size_t n) const {
  std::size_t start = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t blank = text.find(L' ', start);
    if (blank == std::wstring::npos) return {};
    start = blank + 1;
  }
  const std::size_t end = text.find(L' ', start);
  return text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
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
  if (!widenAndSplitAscii(raw_, wide_, tokens_)) splitLogTokens(widen(raw_, wide_), tokens_);
  try {
    line_.parse(tokens_);
  } catch (...) {
    stream_ = nullptr;  // a failed line ends the walk
    throw;
  }
}

}  // namespace Dravo
