#pragma once
// The byte format of requests to and answers from the control panel's service: length-
// prefixed blobs, strings with a character-size byte, and the error reply (a length of
// 0xFFFFFFFF followed by the service's message). One buffer type serves for writing and
// for reading a received block.

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace vserializer {

struct FreeBlock {
  void operator()(void* block) const noexcept { std::free(block); }
};
// A block of the C heap, as the serializer allocates and receives them.
using Block = std::unique_ptr<unsigned char, FreeBlock>;

constexpr std::uint32_t errorReplyMarker = 0xFFFFFFFFu;

class buffer {
 public:
  // An empty buffer for writing.
  buffer() = default;
  // A buffer for reading that takes over a received block of `length` bytes (null for none).
  buffer(Block block, std::uint32_t length);
  buffer(const buffer&) = delete;
  buffer& operator=(const buffer&) = delete;

  // Writing. Without `raw`, the length goes first as a uint32.
  void append(std::uint32_t length, const void* bytes, bool raw);
  void writeString(const std::wstring& text);
  void writeUint32(std::uint32_t value);  // a blob of 4 bytes

  // Reading.
  void read(std::uint32_t count, void* destination);
  Block readBlob(std::uint32_t& length);
  std::wstring readString();

  const unsigned char* data() const { return data_.get(); }
  std::uint32_t size() const { return size_; }
  std::uint32_t position() const { return position_; }
  bool owned() const { return owned_; }

 private:
  Block readBlob(std::uint32_t& length, bool insideErrorReply);
  std::wstring readString(bool insideErrorReply);
  void grow(std::uint32_t needed);

  Block data_;
  std::uint32_t position_ = 0;
  std::uint32_t size_ = 0;
  bool owned_ = true;
  std::uint32_t capacity_ = 0;
};

}  // namespace vserializer
