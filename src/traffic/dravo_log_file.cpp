#include "traffic/dravo_log_file.h"

#include <cwchar>
#include <cwctype>

#include "platform/exceptions.h"
#include "platform/strings.h"

namespace Dravo {
namespace {

bool isLogSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

std::wstring upper(const std::wstring& text) {
  std::wstring result(text);
  for (wchar_t& c : result) c = static_cast<wchar_t>(std::towupper(c));
  return result;
}

}  // namespace

int monthStrToInt(const std::wstring& text) {
  static const wchar_t* const names[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                         L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  for (int i = 0; i < 12; ++i) {
    if (text == names[i]) return i + 1;
  }
  throwRuntimeError(L"Wrong log file format. Month name expected", site("Dravo::monthStrToInt", __LINE__));
}

void splitLogTokens(const std::wstring& text, LogTokens& tokens) {
  tokens.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && isLogSpace(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !isLogSpace(text[i])) ++i;
    if (i > start) tokens.emplace_back(text, start, i - start);
  }
}

void DravoLogFile::LogLine::parse(const LogTokens& tokens) {
  static const char* const where = "Dravo::DravoLogFile::LogLine::parse";
  if (tokens.size() < 8) throwRuntimeError(L"Wrong log file format. Expected 8 parameters", site(where, __LINE__));
  address = tokens[0];
  unsigned int id = 0;
  if (std::swscanf(tokens[1].c_str(), L"[%08x]", &id) != 1) {
    throwRuntimeError(L"Wrong log file format. Session ID expected", site(where, __LINE__));
  }
  sessionId = id;
  const int day = static_cast<int>(std::wcstol(tokens[3].c_str(), nullptr, 10));
  const int month = monthStrToInt(tokens[4]);
  const int year = static_cast<int>(std::wcstol(tokens[5].c_str(), nullptr, 10));
  int hour = 0, minute = 0, second = 0;
  if (std::swscanf(tokens[6].c_str(), L"%02d:%02d:%02d", &hour, &minute, &second) != 3) {
    throwRuntimeError(L"Wrong log file format. Time expected", site(where, __LINE__));
  }
  time = SYSTEMTIME{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  time.wSecond = static_cast<WORD>(second);
  eighthField = tokens[7];
  message.parse(tokens, 8);
}

void DravoLogFile::LogMessage::parse(const LogTokens& tokens, std::size_t first) {
  if (first >= tokens.size()) {
    throwRuntimeError(L"Wrong log file format. Message string expected",
                      site("Dravo::DravoLogFile::LogMessage::parse", __LINE__));
  }
  std::size_t i = first;
  clientSession = false;
  // Only a prefix when more words follow it.
  if (tokens.size() - i > 2 && tokens[i] == L"Client" && tokens[i + 1] == L"session") {
    clientSession = true;
    i += 2;
  }
  direction = noDirection;
  if (i < tokens.size()) {
    const std::wstring& marker = tokens[i];
    if (marker == L">>>") direction = outgoing;
    else if (marker == L"<<<") direction = incoming;
    else if (marker == L"***") direction = information;
    if (direction != noDirection) ++i;
  }
  text.clear();
  for (; i < tokens.size(); ++i) {
    if (!text.empty()) text += L' ';
    text += tokens[i];
  }
}

std::wstring DravoLogFile::LogMessage::parameter(const std::wstring& keyword) const {
  std::size_t at = text.find(keyword);
  if (at == std::wstring::npos) at = upper(text).find(upper(keyword));
  if (at == std::wstring::npos) return {};
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
  splitLogTokens(toWide(raw_, CP_ACP), tokens_);
  try {
    line_.parse(tokens_);
  } catch (...) {
    stream_ = nullptr;  // a failed line ends the walk
    throw;
  }
}

}  // namespace Dravo
