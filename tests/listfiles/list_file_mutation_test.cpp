// Randomly damaged list files, from a fixed seed so that every failure can be replayed: the
// readers and writers raise nothing but the module's own exceptions, and what they save
// reads back to the same entries.

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "listfiles/filter_file.h"
#include "listfiles/rbl_file.h"
#include "listfiles/relaying_file.h"
#include "platform/exceptions.h"
#include "platform/scratch_dir.h"
#include "platform/strings.h"

namespace {

using namespace Dravo;

// The seeded source of every random choice and the kinds of damage done to a file.
struct Damage {
  std::mt19937 rng;
  std::uint32_t below(size_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(rng() % n); }
  std::string number(std::uint32_t limit) { return std::to_string(below(limit)); }
  std::string bytes(size_t count) { std::string text; while (text.size() < count) text += static_cast<char>(below(256)); return text; }
  // 1 to 30 lines from samples (or extra), joined by assorted line ends, then 1 to 4 damages.
  std::string file(const std::vector<std::string>& samples, bool badRanges) {
    static const char* const ends[] = {"\r\n", "\r\n", "\n", "\r", "\r\n\r\n"};
    std::string text;
    for (std::uint32_t i = 1 + below(30); i > 0; --i) text += (badRanges && below(3) == 0 ? badRange() : samples[below(samples.size())]) + ends[below(5)];
    for (std::uint32_t n = 1 + below(4); n > 0; --n) {
      const size_t at = below(text.size() + 1);
      switch (below(8)) {
        case 0: if (!text.empty()) text[at % text.size()] ^= static_cast<char>(1u << below(8)); break;
        case 1: text.resize(at); break;
        case 2: text.insert(at, bytes(1 + below(16))); break;
        case 3: text.insert(at, std::string(1000 + below(70000), static_cast<char>(0x21 + below(0x5E)))); break;
        case 4: text.insert(at, std::string(1 + below(3), '\0')); break;
        case 5: text.insert(at, 1, below(2) ? '\r' : '\n'); break;
        case 6: text.erase(at, below(40)); break;
        default: text.insert(at, text.substr(below(text.size() + 1), below(60)));
      }
    }
    return text;
  }
  // Text a caller could pass as a domain or server name: no line ends or separators.
  std::wstring name() {
    std::string text;
    for (std::uint32_t n = 1 + below(20); n > 0; --n) text += "abcdefghijklmnopqrstuvwxyz0123456789.-_\xE9\xFC\xC5"[below(42)];
    return toWide(text, CP_ACP);
  }
  // A relay pattern with bounds far outside an octet, reversed or missing, sometimes with an out-of-range marker.
  std::string badRange() {
    std::string line;
    for (std::uint32_t n = below(4); n > 0; --n) line += number(100000) + ".";
    line += number(99999) + "-" + (below(4) ? number(99999) : "") + (below(2) ? ".*" : "");
    return below(4) ? line : line + relayMarker + number(999) + "." + number(999) + ".1.1/" + number(300);
  }
};

// Each file kind: its name, how it is opened, changed at random (may fail) and written as a line.
struct FilterKind {
  using File = DravoFilterFile;
  static constexpr wchar_t name[] = L"filter.dat";
  static inline const std::vector<std::string> samples = {"0", "1", "2", "3", "0:bad.example", "2:spam.example", "plain.example",
      "H~subject", "S$!~x", "=exact", "1:B^body", "T&x", "3:I{1", "Y}z", "P!=q", "A$~a", "R!&b", "C:\\path", "0:", "2:=x", "H", "$", "!", "4:x"};
  static std::unique_ptr<File> open(const std::wstring& folder) { return std::make_unique<File>(folder); }
  static auto carried(const std::vector<FilterEntry>& saved) {
    for (const auto& e : saved) EXPECT_TRUE(e.kind >= 0 && e.kind <= 2 && e.level >= '0' && e.level <= '3') << formatFilterLine(e);
    return saved;
  }
  static void change(File& file, Damage& random) {
    if (random.below(2)) return file.addRestrictedDomain(random.name());
    StringList listed;
    file.restrictedDomains(listed);
    file.delRestrictedDomain(!listed.empty() && random.below(2) ? *std::next(listed.begin(), random.below(listed.size())) : random.name());
  }
};

struct RblKind {
  using File = DravoRblFile;
  static constexpr wchar_t name[] = L"rbl.dat";
  static inline const std::vector<std::string> samples = {"bl.example", "1:bl.example,1;note", "0:x.example;", "y.example,1",
      "z.example,2", "1:", ";only tail", ",1", "a,1b;c", "2:x", "q.example;;", "w.example,1;"};
  static std::unique_ptr<File> open(const std::wstring& folder) { return std::make_unique<File>(folder, true); }
  // Two entries the format cannot carry, both read from lines the grammar allows: one with
  // neither flag, server nor tail (an empty line, gone at the next reading), and one whose
  // server holds a "," (it reads back split there). Every other entry comes back as it was.
  static auto carried(const std::vector<RblEntry>& saved) {
    std::vector<RblEntry> back;
    for (const RblEntry& e : saved) {
      RblEntry read;
      const std::string line = formatRblLine(e);
      const bool parsed = !line.empty() && parseRblLine(line, read);
      if (parsed) back.push_back(read);
      EXPECT_TRUE((parsed && read == e) || line.empty() || e.server.find(L',') != std::wstring::npos) << line;
    }
    return back;
  }
  static void change(File& file, Damage& random) {
    if (random.below(3)) return file.addServer(random.name());
    if (!file.entries.empty()) file.entries.erase(file.entries.begin() + random.below(file.entries.size()));
  }
};

struct RelayKind {
  using File = DravoRelayingFile;
  static constexpr wchar_t name[] = L"relay.dat";
  static inline const std::vector<std::string> samples = {"192.168.*.*", "10.1.2-4.*", "*", "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22",
      "10.1.5-3.*", "300.400.500.600", "1.2.3.999-1000", "0-255.*", "9.9.9.9 //vanto-ip-range: 1.2.3.4/99", "host.example",
      "1.2.3.4 //vanto-ip-range:  1. 2.3.4/ 32", "1.2.3.4 //vanto-ip-range: 1.2.3/8", "5-0.*", "7 . 8 - 9",
      "//vanto-ip-range: 4.4.4.4/4", "1.2.3.4.5.6", "-1.2.3.4"};
  static std::unique_ptr<File> open(const std::wstring& folder) { return std::make_unique<File>(folder); }
  static auto carried(const std::vector<RelayEntry>& saved) {
    for (const auto& e : saved) EXPECT_TRUE(e.prefixLength >= 0 && e.prefixLength <= 32) << formatRelayLine(e);
    return saved;
  }
  static void change(File& file, Damage& random) {
    const std::wstring address = toWide(random.number(300) + "." + random.number(300) + "." + random.number(256) +
                                            (random.below(2) ? "." + random.number(256) : ""), CP_ACP);
    const int prefixLength = static_cast<int>(random.below(33));
    if (random.below(2)) return file.addIP(address, prefixLength);
    if (file.entries.empty() || random.below(2)) return file.delIP(address, prefixLength);
    const RelayEntry& e = file.entries[random.below(file.entries.size())];
    EXPECT_NO_THROW(file.delIP(addressText(e.ip), e.prefixLength)) << "an entry's own block holds at least that entry";
  }
};

// The oracle: a damaged file is read, changed and saved without failing, and the saved file
// reads back as exactly the entries its format carries.
template <class Kind>
void mutate(std::uint32_t seed, bool badRanges = false) {
  ScratchDir dir;
  Damage random{std::mt19937(seed)};
  for (int i = 0; i < 1000 && !::testing::Test::HasFailure(); ++i) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", file " + std::to_string(i));
    dir.file(Kind::name, random.below(20) == 0 ? random.bytes(random.below(400)) : random.file(Kind::samples, badRanges));
    try {
      const auto file = Kind::open(dir.path() + L"\\");
      for (std::uint32_t n = random.below(4); n > 0; --n) try { Kind::change(*file, random); } catch (const vexception&) {}
      file->safeSave();
      EXPECT_TRUE(Kind::open(dir.path() + L"\\")->entries == Kind::carried(file->entries));
    } catch (const vexception& e) {  // reading and saving never fail; no foreign exception at all
      ADD_FAILURE() << toNarrow(fullText(e), CP_ACP);
    } catch (...) {
      ADD_FAILURE() << "something that is no exception of the module";
    }
  }
}

}  // namespace

TEST(ListFileMutation, DamagedFilesKeepWhatTheyParse) {
  mutate<FilterKind>(0x5EED0001);
  mutate<RblKind>(0x5EED0002);
  mutate<RelayKind>(0x5EED0003, true);
}
