#include "srvclient/serializer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const vserializer::buffer& buffer) { return Bytes(buffer.data(), buffer.data() + buffer.size()); }

// A read buffer over a copy of `bytes`, as the pipe client hands them out.
vserializer::buffer readerOf(const Bytes& bytes) {
  vserializer::Block block(static_cast<unsigned char*>(std::malloc(bytes.size() + 1)));
  std::memcpy(block.get(), bytes.data(), bytes.size());
  return vserializer::buffer(std::move(block), static_cast<std::uint32_t>(bytes.size()));
}

TEST(SerializerWriting, StringsBlobsRawAppendsAndNumbersAreTheWireBytesAndLongStringsRoundTrip) {
  vserializer::buffer mixed;
  mixed.writeString(L"ab");
  mixed.append(0, nullptr, true);   // nothing at all
  mixed.append(0, nullptr, false);  // a zero length word
  mixed.writeUint32(0x01020304);
  const unsigned char raw[] = {0xAA, 0xBB};
  mixed.append(2, raw, true);
  mixed.writeString(L"");
  EXPECT_EQ(bytesOf(mixed), (Bytes{5, 0, 0, 0, 2, 0x61, 0, 0x62, 0, 0, 0, 0, 0, 4, 0, 0, 0, 4, 3, 2, 1, 0xAA, 0xBB, 1, 0, 0, 0, 2}));
  EXPECT_TRUE(mixed.owned());
  // Long and wide strings read back as written.
  vserializer::buffer buffer;
  std::wstring text;
  for (int i = 0; i < 1000; ++i) text += static_cast<wchar_t>(0x400 + i);
  const std::wstring texts[] = {L"ab", L"\u00e9t\u00e9 \u4e2d", text, text, text, text, text};
  for (const std::wstring& t : texts) buffer.writeString(t);
  auto reader = readerOf(bytesOf(buffer));
  for (const std::wstring& t : texts) EXPECT_EQ(reader.readString(), t);
  EXPECT_TRUE(!reader.owned() && reader.position() == reader.size());

  std::uint32_t length = 7;
  EXPECT_TRUE(readerOf(Bytes{0, 0, 0, 0}).readBlob(length) == nullptr && length == 0u);
}

}  // namespace
