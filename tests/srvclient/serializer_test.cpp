#include "srvclient/serializer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/exceptions.h"

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

template <class Exception, class Work>
std::wstring messageOf(Work&& work) {
  try {
    work();
  } catch (const Exception& e) {
    return e.message();
  }
  return L"<nothing thrown>";
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
}

TEST(SerializerReading, OddStringBlobDropsTheHalfUnit) {
  auto reader = readerOf(Bytes{4, 0, 0, 0, 2, 'x', 0, 'y'});
  EXPECT_EQ(reader.readString(), L"x");
}

TEST(SerializerReading, EveryFailureHasItsText) {
  using vserializer::invalidprotocol;
  EXPECT_EQ(messageOf<invalidprotocol>([] {
              auto r = readerOf(Bytes{1, 2});
              std::uint32_t v;
              r.read(4, &v);
            }),
            L"Unexpected end of data when read from serializer.");
  EXPECT_EQ(messageOf<invalidprotocol>([] { readerOf(Bytes{}).readString(); }),
            L"Unexpected end of data when read C-string from serializer.");
  EXPECT_EQ(messageOf<invalidprotocol>([] { readerOf(Bytes{0, 0, 0, 0}).readString(); }),
            L"Invalid Protocol when read C-string from serializer.");
  EXPECT_EQ(messageOf<invalidprotocol>([] { readerOf(Bytes{3, 0, 0, 0, 3, 'a', 0}).readString(); }),
            L"Unsupported char size when read C-string from serializer.");
  EXPECT_EQ(messageOf<invalidprotocol>([] { readerOf(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 9, 0, 0, 0, 2}).readString(); }),
            L"Double exception on read from serializer");
}

TEST(SerializerReading, ErrorReplyRaisesTheServicesMessage) {
  Bytes reply{0xFF, 0xFF, 0xFF, 0xFF};
  vserializer::buffer message;
  message.writeString(L"No such setting");
  const Bytes text = bytesOf(message);
  reply.insert(reply.end(), text.begin(), text.end());
  try {
    readerOf(reply).readString();
    FAIL() << "no exception";
  } catch (const vserializer::invalidprotocol&) {
    FAIL() << "an error reply is not a protocol failure";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"No such setting");
  }
}

TEST(SerializerReading, HugeLengthsFailWithoutAllocating) {
  // A blob claiming nearly 4 GB, and an error reply whose message is itself an error reply.
  EXPECT_THROW(readerOf(Bytes{0xFE, 0xFF, 0xFF, 0xFF, 2}).readString(), vserializer::invalidprotocol);
  EXPECT_THROW(readerOf(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).readString(),
               vserializer::invalidprotocol);
  std::uint32_t length = 0;
  auto reader = readerOf(Bytes{0, 0, 0, 0});
  EXPECT_EQ(reader.readBlob(length), nullptr);
  EXPECT_EQ(length, 0u);
}

}  // namespace
