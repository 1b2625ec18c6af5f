#include "srvclient/serializer.h"

#include <windows.h>

#include <cstring>

#include "platform/exceptions.h"
#include "platform/strings.h"

namespace vserializer {

buffer::buffer(Block block, std::uint32_t length)
    : data_(std::move(block)), size_(data_ ? length : 0), owned_(false), capacity_(size_) {}

void buffer::grow(std::uint32_t needed) {
  if (needed <= capacity_) return;
  const std::uint64_t rounded = (std::uint64_t{needed} + 15) / 16 * 16;
  if (rounded > 0xFFFFFFFFu) throwOutOfMemory();
  void* grown = std::realloc(data_.get(), static_cast<std::size_t>(rounded));
  if (!grown) throwOutOfMemory();
  static_cast<void>(data_.release());  // realloc took over the old block
  data_.reset(static_cast<unsigned char*>(grown));
  capacity_ = static_cast<std::uint32_t>(rounded);
}

void buffer::append(std::uint32_t length, const void* bytes, bool raw) {
  if (!raw) append(sizeof length, &length, true);
  if (length == 0) return;
  if (std::uint64_t{size_} + length > 0xFFFFFFFFu) throwOutOfMemory();
  grow(size_ + length);
  std::memcpy(data_.get() + size_, bytes, length);
  size_ += length;
}

void buffer::writeString(const std::wstring& text) {
  const std::uint64_t bytes = std::uint64_t{text.size()} * 2;
  if (bytes + 1 > 0xFFFFFFFEu) throwOutOfMemory();
  const std::uint32_t length = static_cast<std::uint32_t>(bytes) + 1;
  const unsigned char charSize = 2;
  append(sizeof length, &length, true);
  append(1, &charSize, true);
  append(static_cast<std::uint32_t>(bytes), text.data(), true);  // wchar_t is UTF-16LE here
}

void buffer::writeUint32(std::uint32_t value) { append(sizeof value, &value, false); }

void buffer::read(std::uint32_t count, void* destination) {
  if (std::uint64_t{position_} + count > size_)
    throw invalidprotocol(L"Unexpected end of data when read from serializer.");
  if (count) std::memcpy(destination, data_.get() + position_, count);
  position_ += count;
}

Block buffer::readBlob(std::uint32_t& length) { return readBlob(length, false); }

Block buffer::readBlob(std::uint32_t& length, bool insideErrorReply) {
  read(sizeof length, &length);
  if (length == errorReplyMarker) {
    // An error message that is itself an error reply is broken: it cannot nest.
    if (insideErrorReply) throw invalidprotocol(L"Unexpected end of data when read from serializer.");
    std::wstring message;
    try {
      message = readString(true);
    } catch (...) {
      throw invalidprotocol(L"Double exception on read from serializer");
    }
    throw vexception(message);
  }
  if (length == 0) return nullptr;
  Block block(static_cast<unsigned char*>(std::malloc(length)));
  if (!block) throwOutOfMemory();
  read(length, block.get());
  return block;
}

std::wstring buffer::readString() { return readString(false); }

std::wstring buffer::readString(bool insideErrorReply) {
  // A buffer that received nothing has no string in it; a string blob needs at least its
  // character-size byte.
  if (!data_)
    throw invalidprotocol(L"Unexpected end of data when read C-string from serializer.");
  std::uint32_t length = 0;
  const Block block = readBlob(length, insideErrorReply);
  if (!block)
    throw invalidprotocol(L"Invalid Protocol when read C-string from serializer.");
  const unsigned char charSize = block.get()[0];
  const char* text = reinterpret_cast<const char*>(block.get() + 1);
  if (charSize == 2) {
    std::wstring result((length - 1) / 2, L'\0');
    if (!result.empty()) std::memcpy(result.data(), text, result.size() * 2);
    return result;
  }
  if (charSize == 1) return toWide(std::string(text, length - 1), CP_ACP);
  throw invalidprotocol(L"Unsupported char size when read C-string from serializer.");
}

}  // namespace vserializer
