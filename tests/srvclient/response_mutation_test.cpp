// Hostile answers from the panel's service: whatever bytes arrive, reading them ends in a
// parsed string or in one of the module's exceptions, never in a crash or an allocation
// sized by a broken length. Each outcome is compared with a small reference reader of the
// wire format written independently here.

#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/exceptions.h"
#include "platform/owner.h"
#include "platform/strings.h"
#include "srvclient/pipe_client.h"
#include "srvclient/serializer.h"

namespace {

using Bytes = std::vector<unsigned char>;

const wchar_t* const unexpectedEnd = L"Unexpected end of data when read from serializer.";
const wchar_t* const noStringData = L"Unexpected end of data when read C-string from serializer.";
const wchar_t* const emptyStringBlob = L"Invalid Protocol when read C-string from serializer.";
const wchar_t* const unsupportedCharSize = L"Unsupported char size when read C-string from serializer.";
const wchar_t* const doubleException = L"Double exception on read from serializer";

enum class Ending { parsed, protocolFailure, serviceError, foreign };

// How reading one answer ended: the strings read, or the failure and its message.
struct Outcome {
  Ending ending = Ending::parsed;
  std::vector<std::wstring> strings;
  std::wstring message;
  bool traced = true;  // a failure names where it was raised
  bool operator==(const Outcome&) const = default;
};

std::string describe(const Outcome& o) {
  static const char* const names[] = {"parsed", "protocol failure", "service error", "foreign exception"};
  std::string text = names[static_cast<int>(o.ending)];
  if (o.ending == Ending::parsed) return text + " of " + std::to_string(o.strings.size()) + " string(s)";
  return text + ": " + toNarrow(o.message, CP_UTF8) + (o.traced ? "" : " (no trace)");
}

void PrintTo(const Outcome& outcome, std::ostream* out) { *out << describe(outcome); }

std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char b : bytes) text += {digits[b >> 4], digits[b & 15], ' '};
  return text;
}

// The reference reader: the wire format decoded byte by byte, without the serializer.
class ReferenceReader {
 public:
  explicit ReferenceReader(const Bytes& bytes) : bytes_(bytes) {}

  // Reads strings as the module's callers do: one, then more while bytes remain.
  Outcome readAll() {
    Outcome outcome;
    try {
      do outcome.strings.push_back(string(false));
      while (position_ < bytes_.size());
    } catch (const Failure& failure) {
      outcome.strings.clear();
      outcome.ending = failure.serviceError ? Ending::serviceError : Ending::protocolFailure;
      outcome.message = failure.message;
    }
    return outcome;
  }
  // Whether every string read used the form the writer produces (size byte 2, whole units).
  bool canonical() const { return canonical_; }

 private:
  struct Failure {
    bool serviceError;
    std::wstring message;
  };
  [[noreturn]] static void protocol(const wchar_t* message) { throw Failure{false, message}; }

  std::uint32_t word() {
    if (bytes_.size() - position_ < 4) protocol(unexpectedEnd);
    const unsigned char* b = bytes_.data() + position_;
    position_ += 4;
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  }

  std::wstring string(bool insideErrorReply) {
    if (bytes_.empty()) protocol(noStringData);
    const std::uint32_t length = word();
    if (length == 0xFFFFFFFFu) {
      if (insideErrorReply) protocol(unexpectedEnd);
      std::wstring message;
      try {
        message = string(true);
      } catch (const Failure&) {
        protocol(doubleException);
      }
      throw Failure{true, message};
    }
    if (length == 0) protocol(emptyStringBlob);
    if (bytes_.size() - position_ < length) protocol(unexpectedEnd);
    const unsigned char charSize = bytes_[position_];
    const unsigned char* text = bytes_.data() + position_ + 1;
    position_ += length;
    if (charSize == 2) {
      canonical_ = canonical_ && length % 2 == 1;
      std::wstring result;
      for (std::uint32_t i = 0; i + 1 < length - 1; i += 2) result += static_cast<wchar_t>(text[i] | text[i + 1] << 8);
      return result;
    }
    if (charSize == 1) {
      canonical_ = false;
      return toWide(std::string(text, text + length - 1), CP_ACP);
    }
    protocol(unsupportedCharSize);
  }

  const Bytes& bytes_;
  std::size_t position_ = 0;
  bool canonical_ = true;
};

// Reads an answer with the module's serializer, the way its callers do.
Outcome readWithSerializer(vserializer::buffer& reader) {
  Outcome outcome;
  try {
    do outcome.strings.push_back(reader.readString());
    while (reader.position() < reader.size());
  } catch (const vserializer::invalidprotocol& e) {
    outcome = {Ending::protocolFailure, {}, e.message(), !e.trace().empty()};
  } catch (const vexception& e) {
    outcome = {Ending::serviceError, {}, e.message(), !e.trace().empty()};
  } catch (...) {
    outcome = {Ending::foreign, {}, L"", false};
  }
  return outcome;
}

std::unique_ptr<vserializer::buffer> readerOf(const Bytes& bytes) {
  vserializer::Block block;
  if (!bytes.empty()) {
    block.reset(static_cast<unsigned char*>(std::malloc(bytes.size())));
    std::memcpy(block.get(), bytes.data(), bytes.size());
  }
  return std::make_unique<vserializer::buffer>(std::move(block), static_cast<std::uint32_t>(bytes.size()));
}

Bytes stringBytes(std::initializer_list<std::wstring> texts) {
  vserializer::buffer writer;
  for (const std::wstring& text : texts) writer.writeString(text);
  return Bytes(writer.data(), writer.data() + writer.size());
}

Bytes errorReply(const std::wstring& message) {
  Bytes reply{0xFF, 0xFF, 0xFF, 0xFF};
  const Bytes text = stringBytes({message});
  reply.insert(reply.end(), text.begin(), text.end());
  return reply;
}

Bytes joined(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Well-formed answers of every kind the service gives; the mutations start from these.
std::vector<Bytes> wellFormedAnswers() {
  return {
      stringBytes({L"C:\\Panel\\"}),
      stringBytes({L""}),
      stringBytes({L"7.6.1"}),
      stringBytes({L"Mail server", L"7.6.1"}),
      stringBytes({L"\u00e9t\u00e9 \u4e2d \U0001F600"}),
      errorReply(L"Unknown setting PRODUCT_ROOT_D"),
      Bytes{5, 0, 0, 0, 1, 'c', 'a', 'f', 0xE9},
  };
}

// The largest address space the process has used so far: an allocation sized by a
// hostile length (gigabytes) shows here even when it is freed at once.
std::uint64_t peakVirtualBytes() {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
  if (!found) return 0;
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(found));
  VM_COUNTERS counters{};
  if (query(GetCurrentProcess(), ProcessVmCounters, &counters, sizeof counters, nullptr) != 0) return 0;
  return counters.PeakVirtualSize;
}
constexpr std::uint64_t allowedGrowth = 512ull << 20;

// Damages an answer in the ways a broken or hostile service would.
class Mutator {
 public:
  explicit Mutator(std::uint32_t seed) : random_(seed) {}

  Bytes damaged(const Bytes& base) {
    if (pick(20) == 0) return randomBytes();
    Bytes bytes = base;
    const std::uint32_t edits = 1 + pick(3);
    for (std::uint32_t e = 0; e < edits; ++e) edit(bytes);
    return bytes;
  }

 private:
  std::uint32_t pick(std::uint32_t count) { return static_cast<std::uint32_t>(random_() % count); }
  std::size_t spot(const Bytes& bytes) { return bytes.empty() ? 0 : pick(static_cast<std::uint32_t>(bytes.size())); }

  Bytes randomBytes() {
    Bytes bytes(pick(41));
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(pick(256));
    return bytes;
  }

  void putWord(Bytes& bytes, std::size_t at, std::uint32_t value) {
    if (bytes.size() < at + 4) bytes.resize(at + 4);
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> 8 * i);
  }

  void edit(Bytes& bytes) {
    const std::uint32_t size = static_cast<std::uint32_t>(bytes.size());
    const std::uint32_t hostileLengths[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu, 0x10000000u,
                                            0, 1, 2, 3, size - 1, size, size + 1};
    const unsigned char sizeBytes[] = {0, 1, 2, 3, 0xFF};
    switch (pick(8)) {
      case 0:  // a length word replaced: where the string starts, or anywhere
        putWord(bytes, pick(2) ? 0 : spot(bytes), hostileLengths[pick(std::size(hostileLengths))]);
        break;
      case 1:  // an error reply marker slipped in
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pick(2) ? 0 : spot(bytes)), {0xFF, 0xFF, 0xFF, 0xFF});
        break;
      case 2:  // the character-size byte of the first string
        if (bytes.size() > 4) bytes[4] = sizeBytes[pick(std::size(sizeBytes))];
        break;
      case 3:  // cut short
        bytes.resize(spot(bytes));
        break;
      case 4:  // one byte off the end of the blob, or one more: odd lengths
        if (!bytes.empty()) bytes[0] = static_cast<unsigned char>(bytes[0] + (pick(2) ? 1 : -1));
        break;
      case 5:
        if (!bytes.empty()) bytes[spot(bytes)] = static_cast<unsigned char>(pick(256));
        break;
      case 6: {  // trailing garbage
        const Bytes tail = randomBytes();
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        break;
      }
      default:  // a second answer glued on
        if (!bytes.empty()) bytes.insert(bytes.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(spot(bytes)));
        break;
    }
  }

  std::mt19937 random_;
};

void expectSameOutcome(const Bytes& bytes, const Outcome& actual, const std::string& where) {
  const Outcome expected = ReferenceReader(bytes).readAll();
  EXPECT_EQ(actual, expected) << where << " bytes " << hex(bytes) << "\n  got " << describe(actual) << "\n  wanted "
                              << describe(expected);
}

TEST(HostileResponses, NamedShapesEndInTheirExceptions) {
  struct Shape {
    const char* name;
    Bytes bytes;
    Ending ending;
    std::wstring message;
  };
  const std::vector<Shape> shapes = {
      {"empty answer", {}, Ending::protocolFailure, noStringData},
      {"error marker alone", {0xFF, 0xFF, 0xFF, 0xFF}, Ending::protocolFailure, doubleException},
      {"error marker twice", joined({0xFF, 0xFF, 0xFF, 0xFF}, errorReply(L"x")), Ending::protocolFailure,
       doubleException},
      {"error reply", errorReply(L"Refused"), Ending::serviceError, L"Refused"},
      {"4 GB payload length", {0xFE, 0xFF, 0xFF, 0xFF, 2, 'a', 0}, Ending::protocolFailure, unexpectedEnd},
      {"2 GB payload length", {0x00, 0x00, 0x00, 0x80, 2}, Ending::protocolFailure, unexpectedEnd},
      {"error text of 4 GB", {0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 2}, Ending::protocolFailure,
       doubleException},
      {"size byte 3", {3, 0, 0, 0, 3, 'a', 0}, Ending::protocolFailure, unsupportedCharSize},
      {"size byte 0", {1, 0, 0, 0, 0}, Ending::protocolFailure, unsupportedCharSize},
      {"zero-length blob", {0, 0, 0, 0}, Ending::protocolFailure, emptyStringBlob},
      {"length word cut", {5, 0, 0}, Ending::protocolFailure, unexpectedEnd},
      {"good string then a cut one", joined(stringBytes({L"ab"}), {5, 0, 0, 0, 2, 'a'}), Ending::protocolFailure,
       unexpectedEnd},
  };
  const std::uint64_t before = peakVirtualBytes();
  ASSERT_GT(before, 0u) << "the process's peak address space cannot be read";
  for (const Shape& shape : shapes) {
    const Outcome outcome = readWithSerializer(*readerOf(shape.bytes));
    EXPECT_EQ(outcome.ending, shape.ending) << shape.name << ": " << describe(outcome);
    EXPECT_EQ(outcome.message, shape.message) << shape.name;
    EXPECT_TRUE(outcome.traced) << shape.name;
    // The reference reader agrees, so its verdicts in the mutation runs can be trusted.
    expectSameOutcome(shape.bytes, outcome, shape.name);
  }

  // Odd string blobs keep the whole code units and drop the half one.
  EXPECT_EQ(readWithSerializer(*readerOf({2, 0, 0, 0, 2, 'x'})).strings, std::vector<std::wstring>{L""});
  EXPECT_EQ(readWithSerializer(*readerOf({6, 0, 0, 0, 2, 'x', 0, 'y', 0, 'z'})).strings,
            std::vector<std::wstring>{L"xy"});

  // Every cut of a well-formed answer of one string is a protocol failure, never a
  // shorter string.
  for (const Bytes& answer : wellFormedAnswers()) {
    if (ReferenceReader(answer).readAll().strings.size() > 1) continue;  // a cut between strings is sound
    for (std::size_t cut = 0; cut < answer.size(); ++cut) {
      const Bytes part(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(cut));
      const Outcome outcome = readWithSerializer(*readerOf(part));
      EXPECT_EQ(outcome.ending, Ending::protocolFailure) << "cut at " << cut << " of " << hex(answer);
      expectSameOutcome(part, outcome, "cut at " + std::to_string(cut));
    }
  }
  EXPECT_LT(peakVirtualBytes() - before, allowedGrowth);
}

TEST(HostileResponses, SeededMutationsMatchTheReferenceReader) {
  constexpr std::uint32_t seed = 20261206;
  constexpr int rounds = 20000;
  const std::vector<Bytes> bases = wellFormedAnswers();
  Mutator mutator(seed);
  int counts[4] = {};
  int roundTrips = 0;
  const std::uint64_t before = peakVirtualBytes();
  ASSERT_GT(before, 0u) << "the process's peak address space cannot be read";
  for (int round = 0; round < rounds; ++round) {
    const Bytes bytes = mutator.damaged(bases[static_cast<std::size_t>(round) % bases.size()]);
    const auto reader = readerOf(bytes);
    const Outcome outcome = readWithSerializer(*reader);
    ++counts[static_cast<int>(outcome.ending)];
    EXPECT_LE(reader->position(), reader->size());
    ReferenceReader reference(bytes);
    const Outcome expected = reference.readAll();
    ASSERT_EQ(outcome, expected) << "seed " << seed << " round " << round << " bytes " << hex(bytes) << "\n  got "
                                 << describe(outcome) << "\n  wanted " << describe(expected);
    // A string read back from its writer's form writes the very same bytes again.
    if (outcome.ending == Ending::parsed && reference.canonical()) {
      vserializer::buffer writer;
      for (const std::wstring& text : outcome.strings) writer.writeString(text);
      ASSERT_EQ(Bytes(writer.data(), writer.data() + writer.size()), bytes) << "round " << round;
      ++roundTrips;
    }
  }
  EXPECT_LT(peakVirtualBytes() - before, allowedGrowth);
  EXPECT_EQ(counts[static_cast<int>(Ending::foreign)], 0);
  // The mutations reach every way an answer can end, each often enough to matter.
  EXPECT_GT(counts[static_cast<int>(Ending::parsed)], rounds / 20);
  EXPECT_GT(counts[static_cast<int>(Ending::protocolFailure)], rounds / 2);
  EXPECT_GT(counts[static_cast<int>(Ending::serviceError)], rounds / 50);
  EXPECT_GT(roundTrips, rounds / 50);
  std::printf("seed %u: %d parsed (%d written back identically), %d protocol failures, %d service errors\n", seed,
              counts[0], roundTrips, counts[1], counts[2]);
}

// A service that answers request n (the uint32 argument) with the n-th scripted answer,
// sent as the length message and the payload message it was given.
class ScriptedService {
 public:
  struct Answer {
    Bytes lengthMessage;
    Bytes payload;
  };
  static Answer honest(const Bytes& payload) {
    const auto size = static_cast<std::uint32_t>(payload.size());
    return {Bytes(reinterpret_cast<const unsigned char*>(&size), reinterpret_cast<const unsigned char*>(&size) + 4),
            payload};
  }

  explicit ScriptedService(std::vector<Answer> answers)
      : answers_(std::move(answers)),
        name_(ownName()),
        pipe_(newInstance()),
        listening_(static_cast<bool>(pipe_)),
        thread_([this] { run(); }) {}
  ~ScriptedService() {
    stopping_ = true;
    for (int tries = 0; tries < 20; ++tries) {  // wake the waiting ConnectNamedPipe
      const FileHandle wake(CreateFileW(name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      if (wake || GetLastError() != ERROR_PIPE_BUSY) break;
      WaitNamedPipeW(name_.c_str(), 500);
    }
    thread_.join();
  }
  bool listening() const { return listening_; }
  const std::wstring& name() const { return name_; }

 private:
  static std::wstring ownName() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    return L"\\\\.\\pipe\\kvxpipe-scripted-" + std::wstring(name.begin(), name.end()) + L"-" +
           std::to_wstring(GetCurrentProcessId());
  }
  static bool send(HANDLE pipe, const Bytes& message) {
    DWORD written = 0;
    return WriteFile(pipe, message.data(), static_cast<DWORD>(message.size()), &written, nullptr) &&
           written == message.size();
  }
  FileHandle newInstance() const {
    return FileHandle(CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                                       1 << 16, 1 << 16, 0, nullptr));
  }
  void run() {
    // Clients are served one after another, but the next instance already listens, so a
    // client reconnecting after a broken answer never finds the pipe busy.
    while (pipe_ && !stopping_) {
      if (!ConnectNamedPipe(pipe_.get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) break;
      FileHandle next = newInstance();
      if (!stopping_) serve();
      DisconnectNamedPipe(pipe_.get());
      pipe_ = std::move(next);
    }
  }
  void serve() {
    // A request body: the 16-byte identifier behind its length, then a uint32 blob.
    constexpr DWORD bodySize = 4 + 16 + 4 + 4;
    for (;;) {
      std::uint32_t length = 0;
      DWORD got = 0;
      if (!ReadFile(pipe_.get(), &length, sizeof length, &got, nullptr) || got != sizeof length || length != bodySize)
        return;
      unsigned char body[bodySize];
      if (!ReadFile(pipe_.get(), body, bodySize, &got, nullptr) || got != bodySize) return;
      std::uint32_t index = 0;
      std::memcpy(&index, body + bodySize - 4, sizeof index);
      if (index >= answers_.size()) return;
      const Answer& answer = answers_[index];
      if (!send(pipe_.get(), answer.lengthMessage)) return;
      if (!answer.payload.empty() && !send(pipe_.get(), answer.payload)) return;
    }
  }

  std::vector<Answer> answers_;
  std::wstring name_;
  FileHandle pipe_;  // the instance waiting for, or serving, a client
  bool listening_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

Outcome queryAndRead(vpipechannel::client& client, std::uint32_t index) {
  const GUID request = {0xAD3EBC3C, 0xE6B9, 0x4FCF, {0xAB, 0xB9, 0xED, 0x1B, 0x3D, 0x52, 0x4F, 0x22}};
  vserializer::buffer arguments;
  arguments.writeUint32(index);
  std::unique_ptr<vserializer::buffer> answer;
  try {
    answer = client.query(request, arguments);
  } catch (const vexception& e) {
    return {Ending::serviceError, {}, e.message(), !e.trace().empty()};
  } catch (...) {
    return {Ending::foreign, {}, L"", false};
  }
  return readWithSerializer(*answer);
}

TEST(HostileResponses, ThroughThePipeClient) {
  // Damaged payloads behind honest lengths, then lengths that lie about the payload.
  constexpr int damagedCount = 400;
  const std::vector<Bytes> bases = wellFormedAnswers();
  Mutator mutator(7);
  std::vector<ScriptedService::Answer> answers;
  std::vector<Bytes> payloads;
  for (int i = 0; i < damagedCount; ++i) {
    payloads.push_back(mutator.damaged(bases[static_cast<std::size_t>(i) % bases.size()]));
    answers.push_back(ScriptedService::honest(payloads.back()));
  }
  const Bytes payload = stringBytes({L"C:\\Panel\\"});
  struct Lie {
    const char* name;
    ScriptedService::Answer answer;
    std::wstring message;
  };
  const std::vector<Lie> lies = {
      {"4 GB announced", {{0xFF, 0xFF, 0xFF, 0xFF}, payload}, L"Run-Time error: Response from pipe have invalid format"},
      {"2 GB announced", {{0x00, 0x00, 0x00, 0x80}, payload}, L"Run-Time error: Response from pipe have invalid format"},
      {"length message of 2 bytes", {{5, 0}, payload}, L"Run-Time error: Response from pipe have invalid format"},
      {"more announced than sent", {{0x40, 0, 0, 0}, payload}, L"Run-Time error: Can't read response from pipe"},
  };
  for (const Lie& lie : lies) answers.push_back(lie.answer);

  ScriptedService service(answers);
  ASSERT_TRUE(service.listening());
  const std::uint64_t before = peakVirtualBytes();
  ASSERT_GT(before, 0u) << "the process's peak address space cannot be read";
  {
    // One connection carries every damaged answer: none of them puts it out of step.
    vpipechannel::client client(service.name(), true);
    for (int i = 0; i < damagedCount; ++i)
      expectSameOutcome(payloads[i], queryAndRead(client, static_cast<std::uint32_t>(i)), "answer " + std::to_string(i));
  }
  for (std::size_t i = 0; i < lies.size(); ++i) {
    vpipechannel::client client(service.name(), true);
    const Outcome outcome = queryAndRead(client, static_cast<std::uint32_t>(damagedCount + i));
    EXPECT_EQ(outcome.ending, Ending::serviceError) << lies[i].name << ": " << describe(outcome);
    EXPECT_EQ(outcome.message, lies[i].message) << lies[i].name;
    EXPECT_TRUE(outcome.traced) << lies[i].name;
  }
  EXPECT_LT(peakVirtualBytes() - before, allowedGrowth);
}

}  // namespace
