#pragma once
// The pipe's byte format as the service side sees it: length-prefixed blobs, strings with
// a character-size byte, and the error reply.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace panelservice {

using Bytes = std::vector<unsigned char>;

void putUint32(Bytes& out, std::uint32_t value);
void putString(Bytes& out, const std::wstring& text);
void putErrorReply(Bytes& out, const std::wstring& message);

// Reads items of a request body in order; every read fails softly with nullopt.
class RequestReader {
 public:
  explicit RequestReader(const Bytes& body) : body_(body) {}
  std::optional<Bytes> blob();
  std::optional<std::wstring> string();
  std::optional<std::uint32_t> uint32Blob();

 private:
  const Bytes& body_;
  std::size_t position_ = 0;
};

}  // namespace panelservice
