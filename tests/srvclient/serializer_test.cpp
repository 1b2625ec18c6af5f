#include "srvclient/serializer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>


namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const vserializer::buffer& buffer) { return Bytes(buffer.data(), buffer.data() + buffer.size()); }

// A read buffer over a copy of `bytes`, as the pipe client hands them out.
vserializer::buffer readerOf(const Bytes& bytes) {
  vserializer::Block block;
  if (!bytes.empty()) {
    block.reset(static_cast<unsigned char*>(std::malloc(bytes.size())));
    std::memcpy(block.get(), bytes.data(), bytes.size());
  }
  return vserializer::buffer(std::move(block), static_cast<std::uint32_t>(bytes.size()));
}

TEST(SerializerWriting, StringAbIsTheNineWireBytes) {
  vserializer::buffer buffer;
  buffer.writeString(L"ab");
  EXPECT_EQ(bytesOf(buffer), (Bytes{0x05, 0, 0, 0, 0x02, 0x61, 0, 0x62, 0}));
  EXPECT_TRUE(buffer.owned());
}

TEST(SerializerWriting, BlobsRawAppendsAndNumbers) {
  vserializer::buffer buffer;
  buffer.append(0, nullptr, true);  // nothing at all
  buffer.append(0, nullptr, false);  // a zero length word
  buffer.writeUint32(0x01020304);
  const unsigned char raw[] = {0xAA, 0xBB};
  buffer.append(2, raw, true);
  buffer.writeString(L"");
  EXPECT_EQ(bytesOf(buffer), (Bytes{0, 0, 0, 0, 4, 0, 0, 0, 4, 3, 2, 1, 0xAA, 0xBB, 1, 0, 0, 0, 2}));
}

TEST(SerializerWriting, LongWritesKeepEveryByte) {
  vserializer::buffer buffer;
  std::wstring text;
  for (int i = 0; i < 1000; ++i) text += static_cast<wchar_t>(0x400 + i);
  for (int i = 0; i < 5; ++i) buffer.writeString(text);
  auto reader = readerOf(bytesOf(buffer));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(reader.readString(), text);
  EXPECT_EQ(reader.position(), reader.size());
}

// The failure texts, error replies and hostile lengths are read in response_mutation_test.cpp.
TEST(SerializerReading, RoundTripsWideAndAnsiStrings) {
  vserializer::buffer buffer;
  buffer.writeString(L"ab");
  buffer.writeString(L"\u00e9t\u00e9 \u4e2d");
  auto reader = readerOf(bytesOf(buffer));
  EXPECT_FALSE(reader.owned());
  EXPECT_EQ(reader.readString(), L"ab");
  EXPECT_EQ(reader.readString(), L"\u00e9t\u00e9 \u4e2d");

  // Size byte 1: 8-bit text in the ANSI code page (1252 here).
  auto ansi = readerOf(Bytes{5, 0, 0, 0, 1, 'c', 'a', 'f', 0xE9});
  EXPECT_EQ(ansi.readString(), L"caf\u00e9");

  std::uint32_t length = 7;
  auto empty = readerOf(Bytes{0, 0, 0, 0});
  EXPECT_EQ(empty.readBlob(length), nullptr);
  EXPECT_EQ(length, 0u);
}

}  // namespace
