#include "wire.h"

#include <windows.h>

#include <cstring>

namespace panelservice {

void putUint32(Bytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

void putString(Bytes& out, const std::wstring& text) {
  putUint32(out, static_cast<std::uint32_t>(text.size() * 2 + 1));
  out.push_back(2);
  for (wchar_t c : text) {
    out.push_back(static_cast<unsigned char>(c & 0xFF));
    out.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
  }
}

void putErrorReply(Bytes& out, const std::wstring& message) {
  putUint32(out, 0xFFFFFFFFu);
  putString(out, message);
}

std::optional<Bytes> RequestReader::blob() {
  if (body_.size() - position_ < 4) return std::nullopt;
  std::uint32_t length = 0;
  std::memcpy(&length, body_.data() + position_, 4);
  position_ += 4;
  if (body_.size() - position_ < length) return std::nullopt;
  Bytes result(body_.begin() + position_, body_.begin() + position_ + length);
  position_ += length;
  return result;
}

std::optional<std::wstring> RequestReader::string() {
  const auto bytes = blob();
  if (!bytes || bytes->empty()) return std::nullopt;
  if ((*bytes)[0] == 1) {
    const std::string narrow(bytes->begin() + 1, bytes->end());
    const int n = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(narrow.size()), wide.data(), n);
    return wide;
  }
  if ((*bytes)[0] != 2) return std::nullopt;
  std::wstring text((bytes->size() - 1) / 2, L'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes->data() + 1, text.size() * 2);
  return text;
}

std::optional<std::uint32_t> RequestReader::uint32Blob() {
  const auto bytes = blob();
  if (!bytes || bytes->size() != 4) return std::nullopt;
  std::uint32_t value = 0;
  std::memcpy(&value, bytes->data(), 4);
  return value;
}

}  // namespace panelservice
