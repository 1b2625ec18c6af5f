// The serializer's wire bytes, and hostile answers from the panel's service: whatever bytes
// arrive, reading them ends in parsed strings or in one of the documented failures, never in
// a crash. The damage is seeded and replayable; the oracle is that what the damage left
// intact reads as the original did and every failure is a documented one.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <thread>

#include "platform/exceptions.h"
#include "platform/owner.h"
#include "platform/strings.h"
#include "srvclient/pipe_client.h"
#include "srvclient/serializer.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Strings = std::vector<std::wstring>;

const std::wstring unexpectedEnd = L"Unexpected end of data when read from serializer.";
const std::wstring noStringData = L"Unexpected end of data when read C-string from serializer.";
const std::wstring emptyStringBlob = L"Invalid Protocol when read C-string from serializer.";
const std::wstring unsupportedCharSize = L"Unsupported char size when read C-string from serializer.";
const std::wstring doubleException = L"Double exception on read from serializer";
// A length of gigabytes is allocated as announced; where the process cannot have that much
// (a 32-bit one), reading ends in the out-of-memory failure instead of the end of the data.
const std::wstring outOfMemory = osErrorText(ERROR_OUTOFMEMORY, nullptr);

enum Ending { parsed, protocolFailure, serviceError, foreign };

// How reading one answer ended; `strings` are those read before the end; `traced` when the
// failure names where it was raised (the serializer's failures and the service's error
// reply name no place; the pipe client's do).
struct Outcome { Ending ending; Strings strings; std::wstring message; bool traced; };

bool outOfMemoryAt(const Outcome& o) { return o.ending == serviceError && o.message == outOfMemory && !o.traced; }

std::string describe(const Outcome& o) { return std::to_string(o.ending) + ": " + toNarrow(o.message, CP_UTF8); }

// Reads an answer the way the module's callers do (one string, then more while bytes
// remain), from a reader made by `read` (a pipe query may itself fail).
template <class Read>
Outcome readAll(Read&& read) {
  Strings strings;
  try {
    const auto reader = read();
    do strings.push_back(reader->readString());
    while (reader->position() < reader->size());
  } catch (const vserializer::invalidprotocol& e) {
    return {protocolFailure, strings, e.message(), !e.trace().empty()};
  } catch (const vexception& e) {
    return {serviceError, strings, e.message(), !e.trace().empty()};
  } catch (...) {
    return {foreign, strings, L"", false};
  }
  return {parsed, strings, L"", false};
}

// A read buffer over a copy of `bytes`, as the pipe client hands them out.
std::unique_ptr<vserializer::buffer> readerOf(const Bytes& bytes) {
  vserializer::Block block(bytes.empty() ? nullptr : static_cast<unsigned char*>(std::malloc(bytes.size())));
  if (block) std::memcpy(block.get(), bytes.data(), bytes.size());
  return std::make_unique<vserializer::buffer>(std::move(block), static_cast<std::uint32_t>(bytes.size()));
}

Outcome readAll(const Bytes& bytes) { return readAll([&] { return readerOf(bytes); }); }

Bytes bytesOf(const vserializer::buffer& buffer) { return Bytes(buffer.data(), buffer.data() + buffer.size()); }

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
  const auto reader = readerOf(bytesOf(buffer));
  for (const std::wstring& t : texts) EXPECT_EQ(reader->readString(), t);
  EXPECT_TRUE(!reader->owned() && reader->position() == reader->size());
  std::uint32_t length = 7;
  EXPECT_TRUE(readerOf(Bytes{0, 0, 0, 0})->readBlob(length) == nullptr && length == 0u);
}

// A well-formed answer and what it reads as: its strings and where each ends, or the text of the error reply it is.
struct Answer { Bytes bytes; Strings strings; std::vector<std::size_t> ends; std::wstring error; };

Answer written(const Strings& strings) {
  Answer answer{{}, strings, {}, {}};
  vserializer::buffer writer;
  for (const std::wstring& text : strings) answer.ends.push_back((writer.writeString(text), writer.size()));
  answer.bytes.assign(writer.data(), writer.data() + writer.size());
  return answer;
}

Answer errorReply(const std::wstring& message) {
  Bytes bytes = written({message}).bytes;
  bytes.insert(bytes.begin(), 4, 0xFF);  // the error marker
  return {bytes, {}, {bytes.size()}, message};
}

const std::vector<Answer> originals = {
    written({L"C:\\Panel\\"}), written({L""}), written({L"Mail server", L"7.6.1"}),
    written({L"\u00e9t\u00e9 \u4e2d \U0001F600"}), errorReply(L"Unknown setting PRODUCT_ROOT_D"),
    Answer{{5, 0, 0, 0, 1, 'c', 'a', 'f', 0xE9}, {L"caf\u00e9"}, {9}, {}}};

// The oracle. Reading is sequential, so the original's leading items that lie wholly in
// the bytes the damage left intact must read as they did; whatever comes after may fail,
// but only in a documented way, with no site of its own.
void expectSound(const Answer& original, const Bytes& bytes, const Outcome& got, const std::string& where) {
  std::string hex;
  for (unsigned char b : bytes) hex += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15], ' '};
  SCOPED_TRACE(where + " bytes " + hex + " -> " + describe(got));
  const std::wstring documented[] = {unexpectedEnd, noStringData, emptyStringBlob, unsupportedCharSize, doubleException};
  ASSERT_NE(got.ending, foreign);
  EXPECT_TRUE(!got.traced && (got.ending != protocolFailure || std::count(documented, documented + 5, got.message)));
  const auto intact = static_cast<std::size_t>(
      std::mismatch(bytes.begin(), bytes.end(), original.bytes.begin(), original.bytes.end()).first - bytes.begin());
  const auto kept = static_cast<std::size_t>(
      std::count_if(original.ends.begin(), original.ends.end(), [&](std::size_t end) { return end <= intact; }));
  EXPECT_TRUE(original.error.empty() || kept == 0 || (got.ending == serviceError && got.message == original.error));
  if (!original.error.empty()) return;
  ASSERT_GE(got.strings.size(), kept);
  EXPECT_TRUE(std::equal(original.strings.begin(), original.strings.begin() + kept, got.strings.begin()));
  EXPECT_TRUE(bytes != original.bytes || (got.ending == parsed && got.strings == original.strings));
}

// Damages an answer in the ways a broken or hostile service would: now and then random bytes, else one to three edits.
Bytes damaged(std::mt19937& random, Bytes bytes) {
  const auto pick = [&](std::size_t count) { return count == 0 ? 0 : static_cast<std::size_t>(random() % count); };
  const auto randomBytes = [&] { Bytes noise(pick(41)); for (auto& b : noise) b = pick(256); return noise; };
  if (pick(20) == 0) return randomBytes();
  for (std::size_t edits = 1 + pick(3); edits > 0; --edits) {
    const auto size = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t lengths[] = {~0u, ~0u - 1, 1u << 31, ~0u >> 1, 1u << 28, 0, 1, 2, 3, size - 1, size, size + 1};
    const unsigned char sizeBytes[] = {0, 1, 2, 3, 0xFF};
    const std::size_t at = pick(2) ? 0 : pick(bytes.size());  // where a string starts, or anywhere
    const Bytes tail = randomBytes();
    switch (pick(8)) {
      case 0:  // a length word replaced
        bytes.resize(std::max(bytes.size(), at + 4));
        for (std::size_t i = 0, value = lengths[pick(std::size(lengths))]; i < 4; ++i) bytes[at + i] = value >> 8 * i;
        break;
      case 1: bytes.insert(bytes.begin() + std::ptrdiff_t(at), {0xFF, 0xFF, 0xFF, 0xFF}); break;  // an error marker
      case 2: if (bytes.size() > 4) bytes[4] = sizeBytes[pick(std::size(sizeBytes))]; break;  // first string's char size
      case 3: bytes.resize(pick(bytes.size())); break;  // cut short
      case 4: if (!bytes.empty()) bytes[0] += pick(2) ? 1 : -1; break;  // the blob one byte shorter or longer
      case 5: if (!bytes.empty()) bytes[pick(bytes.size())] = static_cast<unsigned char>(pick(256)); break;  // any byte
      case 6: bytes.insert(bytes.end(), tail.begin(), tail.end()); break;  // trailing garbage
      default: bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + std::ptrdiff_t(pick(bytes.size())));  // glued on
    }
  }
  return bytes;
}

TEST(HostileResponses, NamedShapesEndInTheirDocumentedFailuresAndSeededDamageKeepsTheIntactPart) {
  const struct { const char* name; Bytes bytes; Ending ending; std::wstring message; Strings strings; } shapes[] = {
      {"empty answer", {}, protocolFailure, noStringData, {}},
      {"error marker alone", {0xFF, 0xFF, 0xFF, 0xFF}, protocolFailure, doubleException, {}},
      {"error reply", errorReply(L"Refused").bytes, serviceError, L"Refused", {}},
      {"4 GB payload length", {0xFE, 0xFF, 0xFF, 0xFF, 2, 'a', 0}, protocolFailure, unexpectedEnd, {}},  // or no memory
      {"2 GB payload length", {0x00, 0x00, 0x00, 0x80, 2}, protocolFailure, unexpectedEnd, {}},            // or no memory
      {"error text of 4 GB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 2}, protocolFailure, doubleException, {}},
      {"size byte 3", {3, 0, 0, 0, 3, 'a', 0}, protocolFailure, unsupportedCharSize, {}},
      {"size byte 0", {1, 0, 0, 0, 0}, protocolFailure, unsupportedCharSize, {}},
      {"zero-length blob", {0, 0, 0, 0}, protocolFailure, emptyStringBlob, {}},
      {"length word cut", {5, 0, 0}, protocolFailure, unexpectedEnd, {}},
      {"good string then a cut one", {5, 0, 0, 0, 2, 'a', 0, 'b', 0, 5, 0, 0, 0, 2, 'a'}, protocolFailure, unexpectedEnd, {L"ab"}},
      // Odd string blobs keep the whole code units and drop the half one.
      {"odd blob of one unit", {2, 0, 0, 0, 2, 'x'}, parsed, L"", {L""}},
      {"odd blob of three units", {6, 0, 0, 0, 2, 'x', 0, 'y', 0, 'z'}, parsed, L"", {L"xy"}},
  };
  for (const auto& [name, bytes, ending, message, strings] : shapes) {
    const Outcome got = readAll(bytes);
    const bool huge = bytes.size() >= 4 && bytes[3] >= 0x80;
    EXPECT_TRUE(((got.ending == ending && got.message == message && !got.traced) || (huge && outOfMemoryAt(got))) &&
                got.strings == strings) << name << ": " << describe(got);
  }
  // Seeded damage keeps the intact part and fails only as documented.
  constexpr std::uint32_t seed = 20261206;  // a failure names its round: rerun with this seed to replay it
  constexpr int rounds = 20000;
  std::mt19937 random(seed);
  int counts[4] = {};
  for (int round = 0; round < rounds && !HasFailure(); ++round) {
    const Answer& original = originals[static_cast<std::size_t>(round) % originals.size()];
    const Bytes bytes = damaged(random, original.bytes);
    const Outcome got = readAll(bytes);
    ++counts[got.ending];
    expectSound(original, bytes, got, "seed " + std::to_string(seed) + " round " + std::to_string(round));
  }
  // The damage reaches every way an answer can end, each often enough to matter.
  EXPECT_TRUE(counts[parsed] > rounds / 20 && counts[protocolFailure] > rounds / 2 && counts[serviceError] > rounds / 50)
      << counts[parsed] << " " << counts[protocolFailure] << " " << counts[serviceError];
}

// A pipe service that answers request n (the last four bytes of its body) with the n-th
// scripted length message and payload message. The next instance listens before a client
// is served, so a client reconnecting after a broken answer finds the pipe waiting.
struct ScriptedService {
  using Replies = std::vector<std::pair<Bytes, Bytes>>;
  explicit ScriptedService(Replies replies) : thread([this, replies, listening = listen()]() mutable {
    while (listening && (ConnectNamedPipe(listening.get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED)) {
      const FileHandle client = std::exchange(listening, listen());
      unsigned char body[64];
      DWORD got = 0;
      for (std::uint32_t n = 0; !stopping && ReadFile(client.get(), body, 4, &got, nullptr) &&
                                ReadFile(client.get(), body, sizeof body, &got, nullptr) && got >= 4 &&
                                (std::memcpy(&n, body + got - 4, 4), n < replies.size());)
        for (const Bytes& message : {replies[n].first, replies[n].second})
          if (!message.empty()) WriteFile(client.get(), message.data(), DWORD(message.size()), &got, nullptr);
      if (stopping) break;
    }
  }) {}
  ~ScriptedService() {  // wakes the waiting instance
    stopping = true;
    const FileHandle wake(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    thread.join();
  }
  FileHandle listen() const {
    return FileHandle(CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE,
                                       PIPE_UNLIMITED_INSTANCES, 1 << 16, 1 << 16, 0, nullptr));
  }
  const std::wstring name = L"\\\\.\\pipe\\kvxpipe-scripted-" + std::to_wstring(GetCurrentProcessId());
  std::atomic<bool> stopping{false};
  std::thread thread;
};

TEST(HostileResponses, ThroughThePipeClient) {
  // Damaged payloads behind honest lengths, then lengths that lie about the payload.
  constexpr std::uint32_t damagedCount = 400;
  std::mt19937 random(7);
  ScriptedService::Replies replies;
  for (std::uint32_t i = 0; i < damagedCount; ++i) {
    const Bytes payload = damaged(random, originals[i % originals.size()].bytes);  // far below 64 KiB
    replies.push_back({{std::uint8_t(payload.size()), std::uint8_t(payload.size() >> 8), 0, 0}, payload});
  }
  // A length is taken as announced, whatever its size: the payload then comes up short.
  const std::wstring badLength = L"Run-Time error: Response from pipe have invalid format";
  const std::wstring shortRead = L"Run-Time error: Can't read response from pipe";
  const std::pair<Bytes, std::wstring> lies[] = {{{0xFF, 0xFF, 0xFF, 0xFF}, shortRead},  // 4 GB announced
                                                 {{0x00, 0x00, 0x00, 0x80}, shortRead},  // 2 GB announced
                                                 {{0x00, 0x00, 0x10, 0x01}, shortRead},  // 17 MiB announced
                                                 {{5, 0}, badLength},                    // a length message of 2 bytes
                                                 {{0x40, 0, 0, 0}, shortRead}};
  for (const auto& lie : lies) replies.push_back({lie.first, written({L"C:\\Panel\\"}).bytes});
  ScriptedService service(replies);
  const auto query = [&](vpipechannel::client& client, std::uint32_t n) {
    const GUID request = {0xAD3EBC3C, 0xE6B9, 0x4FCF, {0xAB, 0xB9, 0xED, 0x1B, 0x3D, 0x52, 0x4F, 0x22}};
    vserializer::buffer arguments;
    arguments.writeUint32(n);
    return readAll([&] { return client.query(request, arguments); });
  };
  {
    // One connection carries every damaged answer: none of them puts it out of step.
    vpipechannel::client client(service.name, true);
    for (std::uint32_t i = 0; i < damagedCount && !HasFailure(); ++i)
      expectSound(originals[i % originals.size()], replies[i].second, query(client, i), "answer " + std::to_string(i));
  }
  for (std::uint32_t i = 0; i < std::size(lies); ++i) {
    vpipechannel::client client(service.name, true);
    const Outcome got = query(client, damagedCount + i);
    const bool huge = lies[i].first.size() == 4 && lies[i].first[3] >= 0x80;
    EXPECT_TRUE((got.ending == serviceError && got.message == lies[i].second && got.traced) ||
                (huge && outOfMemoryAt(got))) << i << ": " << describe(got);
  }
}

}  // namespace
