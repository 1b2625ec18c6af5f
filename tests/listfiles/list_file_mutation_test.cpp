// Randomly damaged list files, from a fixed seed so that every failure can be replayed: the
// readers and writers raise nothing but the module's own exceptions, and what they save
// reads back to the same entries.

#include <gtest/gtest.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "listfiles/filter_file.h"
#include "listfiles/rbl_file.h"
#include "listfiles/relaying_file.h"
#include "platform/exceptions.h"
#include "platform/scratch_dir.h"
#include "platform/strings.h"

namespace {

using namespace Dravo;

constexpr int filesPerCase = 1000;

// The seeded source of every random choice and the kinds of damage done to a file.
class Damage {
 public:
  explicit Damage(std::uint32_t seed) : rng_(seed) {}

  std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(rng_() % n); }
  template <size_t N>
  const char* pick(const char* const (&items)[N]) {
    return items[below(N)];
  }
  std::string bytes(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += static_cast<char>(below(256));
    return text;
  }
  std::string number(std::uint32_t limit) { return std::to_string(below(limit)); }

  // Lines picked from samples, or made by extra, joined by assorted line ends.
  std::string file(const std::vector<std::string>& samples, const std::function<std::string()>& extra = {}) {
    static const char* const ends[] = {"\r\n", "\r\n", "\n", "\r", "\r\n\r\n"};
    std::string text;
    const std::uint32_t lines = 1 + below(30);
    for (std::uint32_t i = 0; i < lines; ++i) {
      text += extra && below(3) == 0 ? extra() : samples[below(static_cast<std::uint32_t>(samples.size()))];
      text += pick(ends);
    }
    return text;
  }

  // One to four damages at random places.
  std::string apply(std::string text) {
    for (std::uint32_t n = 1 + below(4); n > 0; --n) {
      const size_t at = below(static_cast<std::uint32_t>(text.size() + 1));
      switch (below(8)) {
        case 0:
          if (!text.empty()) text[at % text.size()] ^= static_cast<char>(1u << below(8));
          break;
        case 1:
          text.resize(at);
          break;
        case 2:
          text.insert(at, bytes(1 + below(16)));
          break;
        case 3:
          text.insert(at, std::string(1000 + below(70000), static_cast<char>(0x21 + below(0x5E))));
          break;
        case 4:
          text.insert(at, std::string(1 + below(3), '\0'));
          break;
        case 5:
          text.insert(at, 1, below(2) ? '\r' : '\n');
          break;
        case 6:
          text.erase(at, below(40));
          break;
        case 7:
          text.insert(at, text.substr(below(static_cast<std::uint32_t>(text.size() + 1)), below(60)));
          break;
      }
    }
    return text;
  }

  // Text a caller could pass as a domain or server name: no line ends or separators.
  std::string name() {
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789.-_\xE9\xFC\xC5";
    std::string text;
    for (std::uint32_t n = 1 + below(20); n > 0; --n) text += alphabet[below(sizeof alphabet - 1)];
    return text;
  }

 private:
  std::mt19937 rng_;
};

// Runs one step; only the module's exceptions may leave it. False when one did.
bool raisesOnlyOwn(const char* step, const std::function<void()>& action) {
  try {
    action();
  } catch (const vexception&) {
    return false;
  } catch (const std::exception& e) {
    ADD_FAILURE() << step << " raised a foreign exception: " << e.what();
    return false;
  } catch (...) {
    ADD_FAILURE() << step << " raised something that is no exception of the module";
    return false;
  }
  return true;
}

// Runs one step that must not fail at all.
void mustSucceed(const char* step, const std::function<void()>& action) {
  try {
    action();
  } catch (const vexception& e) {
    ADD_FAILURE() << step << " failed: " << toNarrow(fullText(e), CP_ACP);
  } catch (const std::exception& e) {
    ADD_FAILURE() << step << " raised a foreign exception: " << e.what();
  } catch (...) {
    ADD_FAILURE() << step << " raised something that is no exception of the module";
  }
}

const std::vector<std::string> filterSamples = {
    "0", "1", "2", "3", "0:bad.example", "2:spam.example", "plain.example", "H~subject", "S$!~x", "=exact",
    "1:B^body", "T&x", "3:I{1", "Y}z", "P!=q", "A$~a", "R!&b", "C:\\path", "0:", "2:=x", "H", "$", "!", "4:x"};

const std::vector<std::string> rblSamples = {
    "bl.example", "1:bl.example,1;note", "0:x.example;", "y.example,1", "z.example,2", "1:",
    ";only tail", ",1",                  "a,1b;c",       "2:x",         "q.example;;", "w.example,1;"};

const std::vector<std::string> relaySamples = {
    "192.168.*.*", "10.1.2-4.*", "*", "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22", "10.1.5-3.*",
    "300.400.500.600", "1.2.3.999-1000", "0-255.*", "9.9.9.9 //vanto-ip-range: 1.2.3.4/99",
    "host.example", "1.2.3.4 //vanto-ip-range:  1. 2.3.4/ 32", "1.2.3.4 //vanto-ip-range: 1.2.3/8", "5-0.*",
    "7 . 8 - 9", "//vanto-ip-range: 4.4.4.4/4", "1.2.3.4.5.6", "-1.2.3.4"};

// A pattern line with bounds far outside an octet, reversed or missing, sometimes with a
// marker whose block is out of range.
std::string invalidRange(Damage& random) {
  std::string line;
  for (std::uint32_t n = random.below(4); n > 0; --n) line += random.number(100000) + ".";
  line += random.number(99999) + "-" + (random.below(4) ? random.number(99999) : std::string());
  if (random.below(2)) line += ".*";
  if (random.below(4) == 0) {
    line += relayMarker + random.number(999) + "." + random.number(999) + ".1.1/" + random.number(300);
  }
  return line;
}

std::wstring wide(const std::string& ansi) { return toWide(ansi, CP_ACP); }

// Entries as the lines they are written as, for readable failure reports.
template <class Entry>
std::vector<std::string> lines(const std::vector<Entry>& entries, std::string (*format)(const Entry&)) {
  std::vector<std::string> text;
  for (const Entry& e : entries) text.push_back(format(e));
  return text;
}

// The damaged text of one file: mostly sample lines, now and then pure noise.
std::string damagedFile(Damage& random, const std::vector<std::string>& samples,
                        const std::function<std::string()>& extra = {}) {
  if (random.below(20) == 0) return random.bytes(random.below(400));
  return random.apply(random.file(samples, extra));
}

// The three files as the mutation runs build them: from a folder, read at once.
struct FilterFile : DravoFilterFile {
  static constexpr wchar_t fileName[] = L"filter.dat";
  explicit FilterFile(const std::wstring& folder) : DravoFilterFile(folder) {}
};
struct RblFile : DravoRblFile {
  static constexpr wchar_t fileName[] = L"rbl.dat";
  explicit RblFile(const std::wstring& folder) : DravoRblFile(folder, true) {}
};
struct RelayFile : DravoRelayingFile {
  static constexpr wchar_t fileName[] = L"relay.dat";
  explicit RelayFile(const std::wstring& folder) : DravoRelayingFile(folder) {}
};

// Each reading, change and save of a damaged file, then a second reading of what was saved.
template <class File, class Change, class Check>
void mutate(std::uint32_t seed, const std::vector<std::string>& samples, Change change, Check sameEntries,
            const std::function<std::string(Damage&)>& extra = {}) {
  ScratchDir dir;
  const std::wstring folder = dir.path() + L"\\";
  Damage random(seed);
  for (int i = 0; i < filesPerCase && !::testing::Test::HasFailure(); ++i) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", file " + std::to_string(i));
    const std::string text =
        damagedFile(random, samples, extra ? std::function<std::string()>([&] { return extra(random); }) : nullptr);
    std::unique_ptr<File> file;
    dir.file(File::fileName, text);
    mustSucceed("reading", [&] { file = std::make_unique<File>(folder); });
    if (!file) return;
    for (std::uint32_t n = random.below(4); n > 0; --n) raisesOnlyOwn("changing", [&] { change(*file, random); });
    mustSucceed("saving", [&] { file->safeSave(); });
    std::unique_ptr<File> again;
    mustSucceed("reading the saved file", [&] { again = std::make_unique<File>(folder); });
    if (again) sameEntries(file->entries, again->entries);
  }
}

}  // namespace

TEST(ListFileMutation, FilterFilesKeepWhatTheyParse) {
  const auto change = [](FilterFile& file, Damage& random) {
    if (random.below(2)) {
      file.addRestrictedDomain(wide(random.name()));
      return;
    }
    StringList listed;
    file.restrictedDomains(listed);
    // Half the removals name a listed domain, the rest most likely one that is not there.
    if (!listed.empty() && random.below(2)) {
      auto it = listed.begin();
      std::advance(it, random.below(static_cast<std::uint32_t>(listed.size())));
      file.delRestrictedDomain(*it);
    } else {
      file.delRestrictedDomain(wide(random.name()));
    }
  };
  const auto same = [](const std::vector<FilterEntry>& saved, const std::vector<FilterEntry>& read) {
    for (const FilterEntry& e : saved) {
      ASSERT_TRUE(e.kind >= 0 && e.kind <= 2 && e.level >= '0' && e.level <= '3') << formatFilterLine(e);
    }
    EXPECT_EQ(lines(read, formatFilterLine), lines(saved, formatFilterLine));
    EXPECT_TRUE(read == saved);
  };
  mutate<FilterFile>(0x5EED0001, filterSamples, change, same);
}

TEST(ListFileMutation, RblFilesKeepWhatTheyParse) {
  const auto change = [](RblFile& file, Damage& random) {
    if (random.below(3)) {
      file.addServer(wide(random.name()));
    } else if (!file.entries.empty()) {
      file.entries.erase(file.entries.begin() + random.below(static_cast<std::uint32_t>(file.entries.size())));
    }
  };
  // Two kinds of entry the line format cannot carry, both read from lines the grammar allows:
  // one with neither flag, server nor tail is written as an empty line (gone at the next
  // reading), and one whose server holds a "," (from a line starting ",1" whose server is
  // the text up to ";") reads back split at that ",". Every other entry must come back as
  // it was, and the file must read back as its lines parse one by one.
  const auto same = [](const std::vector<RblEntry>& saved, const std::vector<RblEntry>& read) {
    std::vector<RblEntry> written;
    for (const RblEntry& e : saved) {
      const std::string line = formatRblLine(e);
      RblEntry back;
      const bool parsed = !line.empty() && parseRblLine(line, back);
      if (parsed) written.push_back(back);
      if (!parsed || !(back == e)) {
        EXPECT_TRUE(line.empty() || e.server.find(L',') != std::wstring::npos) << "entry changed: " << line;
      }
    }
    EXPECT_EQ(lines(read, formatRblLine), lines(written, formatRblLine));
    EXPECT_TRUE(read == written);
  };
  mutate<RblFile>(0x5EED0002, rblSamples, change, same);
}

TEST(ListFileMutation, RelayFilesKeepWhatTheyParse) {
  const auto change = [](RelayFile& file, Damage& random) {
    const std::wstring address = wide(random.number(300) + "." + random.number(300) + "." + random.number(256) +
                                      (random.below(2) ? "." + random.number(256) : std::string()));
    const int prefixLength = static_cast<int>(random.below(33));
    if (random.below(2)) {
      file.addIP(address, prefixLength);
    } else if (!file.entries.empty() && random.below(2)) {
      const RelayEntry& e = file.entries[random.below(static_cast<std::uint32_t>(file.entries.size()))];
      const size_t before = file.entries.size();
      file.delIP(addressText(e.ip), e.prefixLength);
      ASSERT_LT(file.entries.size(), before) << "an entry's own block removes at least that entry";
    } else {
      file.delIP(address, prefixLength);
    }
  };
  const auto same = [](const std::vector<RelayEntry>& saved, const std::vector<RelayEntry>& read) {
    for (const RelayEntry& e : saved) {
      ASSERT_TRUE(e.prefixLength >= 0 && e.prefixLength <= 32) << formatRelayLine(e);
    }
    EXPECT_EQ(lines(read, formatRelayLine), lines(saved, formatRelayLine));
    EXPECT_TRUE(read == saved);
  };
  mutate<RelayFile>(0x5EED0003, relaySamples, change, same, invalidRange);
}
