// Transfer encodings, encoded-word headers and charsets of the stand-in's MIME messages.

#include <windows.h>

#include <cctype>

#include "mime_message.h"

namespace mime {
namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char hexDigits[] = "0123456789ABCDEF";

int sextet(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool isAscii(const std::wstring& text) {
  for (wchar_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

UINT codePageOf(const std::wstring& charset) {
  std::wstring name;
  for (wchar_t c : charset) name += static_cast<wchar_t>(towlower(c));
  if (name == L"utf-8" || name == L"utf8") return CP_UTF8;
  if (name == L"us-ascii" || name == L"ascii") return 20127;
  if (name == L"iso-8859-1" || name == L"latin1") return 28591;
  if (name == L"windows-1252") return 1252;
  return CP_UTF8;
}

// Encoded words of at most 75 characters, split between characters, never inside one.
std::string encodedWords(const std::wstring& text) {
  std::string result;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    std::string chunk;
    while (end < text.size()) {
      size_t next = end + ((text[end] >= 0xD800 && text[end] < 0xDC00 && end + 1 < text.size()) ? 2 : 1);
      const std::string bytes = toBytes(text.substr(start, next - start), L"utf-8");
      if (bytes.size() > 45 && end > start) break;
      chunk = bytes;
      end = next;
    }
    if (!result.empty()) result += "\r\n ";
    result += "=?utf-8?B?" + base64(chunk, 0) + "?=";
    start = end;
  }
  return result;
}

}  // namespace

std::string base64(const std::string& bytes, size_t lineLength) {
  std::string out;
  size_t column = 0;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const unsigned value = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0) |
                           (i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0);
    out += alphabet[(value >> 18) & 63];
    out += alphabet[(value >> 12) & 63];
    out += i + 1 < bytes.size() ? alphabet[(value >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? alphabet[value & 63] : '=';
    column += 4;
    if (lineLength && column >= lineLength && i + 3 < bytes.size()) {
      out += "\r\n";
      column = 0;
    }
  }
  return out;
}

std::string unbase64(const std::string& text) {
  std::string out;
  unsigned value = 0;
  int bits = 0;
  for (char c : text) {
    const int s = sextet(c);
    if (s < 0) continue;
    value = (value << 6) | static_cast<unsigned>(s);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((value >> bits) & 0xFF);
    }
  }
  return out;
}

// Lines of the text stay lines (CR LF); a text without a final CR LF ends in a soft
// line break, so that decoding gives back exactly the bytes that were encoded.
std::string quotedPrintable(const std::string& bytes) {
  std::string out, line;
  auto flushSoft = [&] {
    out += line + "=\r\n";
    line.clear();
  };
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
      out += line + "\r\n";
      line.clear();
      ++i;
      continue;
    }
    const bool endOfLine = i + 1 == bytes.size() || (bytes[i + 1] == '\r' && i + 2 < bytes.size() && bytes[i + 2] == '\n');
    const bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !endOfLine);
    std::string token = literal ? std::string(1, static_cast<char>(c))
                                : std::string{'=', hexDigits[c >> 4], hexDigits[c & 15]};
    if (line.size() + token.size() > 75) flushSoft();
    line += token;
  }
  if (!line.empty() || (!bytes.empty() && bytes.back() != '\n') || bytes.empty()) flushSoft();
  return out;
}

std::string unquotedPrintable(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      out += text[i];
      continue;
    }
    if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') {
      i += 2;  // soft line break
    } else if (i + 1 < text.size() && text[i + 1] == '\n') {
      i += 1;
    } else if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
      i += 2;
    } else {
      out += '=';
    }
  }
  return out;
}

// An address header ("name" <address>) keeps its address readable: only the part before
// " <" is encoded.
std::string encodeHeaderValue(const std::wstring& value) {
  if (isAscii(value)) return toBytes(value, L"us-ascii");
  const size_t open = value.rfind(L" <");
  if (open != std::wstring::npos && !value.empty() && value.back() == L'>' && isAscii(value.substr(open))) {
    return encodedWords(value.substr(0, open)) + toBytes(value.substr(open), L"us-ascii");
  }
  return encodedWords(value);
}

std::wstring decodeHeaderValue(const std::string& value) {
  std::wstring out;
  size_t i = 0;
  bool lastWasEncoded = false;
  std::string pendingSpace;
  while (i < value.size()) {
    if (value.compare(i, 2, "=?") == 0) {
      const size_t q1 = value.find('?', i + 2);
      const size_t q2 = q1 == std::string::npos ? q1 : value.find('?', q1 + 1);
      const size_t end = q2 == std::string::npos ? q2 : value.find("?=", q2 + 1);
      if (end != std::string::npos && q2 == q1 + 2) {
        const std::wstring charset = fromBytes(value.substr(i + 2, q1 - i - 2), L"us-ascii");
        const char kind = static_cast<char>(toupper(static_cast<unsigned char>(value[q1 + 1])));
        std::string text = value.substr(q2 + 1, end - q2 - 1);
        std::string bytes;
        if (kind == 'B') {
          bytes = unbase64(text);
        } else {
          for (char& c : text) {
            if (c == '_') c = ' ';
          }
          bytes = unquotedPrintable(text);
        }
        if (!lastWasEncoded) out += fromBytes(pendingSpace, L"us-ascii");
        pendingSpace.clear();
        out += fromBytes(bytes, charset);
        lastWasEncoded = true;
        i = end + 2;
        continue;
      }
    }
    if (value[i] == ' ' || value[i] == '\t') {
      pendingSpace += value[i++];
      continue;
    }
    out += fromBytes(pendingSpace, L"us-ascii");
    pendingSpace.clear();
    size_t next = i + 1;
    while (next < value.size() && value[next] != ' ' && value[next] != '\t' && value.compare(next, 2, "=?") != 0) ++next;
    out += fromBytes(value.substr(i, next - i), L"windows-1252");
    lastWasEncoded = false;
    i = next;
  }
  return out + fromBytes(pendingSpace, L"us-ascii");
}

std::string toBytes(const std::wstring& text, const std::wstring& charset) {
  if (text.empty()) return {};
  const UINT page = codePageOf(charset);
  const int size = WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring fromBytes(const std::string& bytes, const std::wstring& charset) {
  if (bytes.empty()) return {};
  const UINT page = codePageOf(charset);
  const int size = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
  return out;
}

}  // namespace mime
