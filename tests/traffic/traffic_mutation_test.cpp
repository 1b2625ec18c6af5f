// Damaged log sets made from a seed (the kinds below): only the module's exceptions may
// arise, and the domains of intact sessions get exactly what a reference reading of the rules
// gives; damaged sessions use a domain of their own. TRAFFIC_MUTATION_SETS sets the number of
// sets (10000), TRAFFIC_MUTATION_SEED another seed, TRAFFIC_MUTATION_TRACE prints each batch
// before it is read (to find a hang).

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "platform/log_manager.h"
#include "platform/log_switches.h"
#include "platform/owner.h"
#include "traffic/traffic_results.h"
#include "traffic/traffic_collector.h"

namespace {

enum Kind { truncated, cutAnywhere, binaryBytes, hugeField, unknownIds, scrambledDates, unendedLine, vanishes, heldOpen, kinds };
const char* const kindNames[kinds] = {"truncated line", "cut at any byte", "binary bytes",  "huge field",    "unknown ids",
                                      "dates disorder", "unended line",    "file vanishes", "file held open"};
enum class Outcome { parses, fails, ends };  // what the line does to the walk of its file, in rising order

const std::int64_t periodStart = maillog::toSeconds({2026, 5, 10}), periodEnd = maillog::toSeconds({2026, 5, 13}), day = 86400;

// A message as written and what it does by the rules, for the reference reading. Direction:
// 1 ">>>", 2 "<<<", 3 "***", 0 none (always "Disconnected"); length of the text, size of a "***" line.
struct Said {
  std::string message;
  std::uint32_t id = 0;
  int direction = 0;
  bool client = false, local = false;
  std::uint64_t length = 0, size = 0;
  std::optional<std::wstring> sender;
  std::wstring recipient, user;
};
// A line's effect is none for lines of damaged sessions, whose credit is not judged.
struct Entry { std::string bytes; std::int64_t time = 0; std::optional<Said> effect; Outcome outcome = Outcome::parses; bool lineEnd = true; };
// A file is gone 1: vanishes, 2: is held open without sharing, when its turn comes.
struct File { std::string name, lineEnd; bool pop = false; int gone = 0; std::vector<Entry> entries; };
struct Set { Kind kind; std::vector<File> files; std::wstring intact[2], damaged; };  // files in name order
struct Tally {
  std::uint64_t sets[kinds] = {}, wrong[kinds] = {}, failing = 0, ending = 0, raised = 0;
  std::int64_t peakGrowth = 0, afterGrowth = 0;  // of the working set, between files and after the call
};

std::vector<std::pair<std::size_t, std::size_t>> spans(const std::string& line) {
  std::vector<std::pair<std::size_t, std::size_t>> found;
  const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  for (std::size_t i = 0, start; i < line.size();) {
    for (; i < line.size() && space(line[i]); ++i) continue;
    for (start = i; i < line.size() && !space(line[i]); ++i) continue;
    if (i > start) found.emplace_back(start, i);
  }
  return found;
}

// A line cut short: empty ends the walk, fewer than nine tokens fail it, and so does a
// "***" line applied without its size word.
Outcome cutOutcome(const std::string& line, bool pop, std::int64_t time) {
  const auto tokens = spans(line);
  if (line.empty() || tokens.size() < 9) return line.empty() ? Outcome::ends : Outcome::fails;
  const auto token = [&](std::size_t i) { return line.substr(tokens[i].first, tokens[i].second - tokens[i].first); };
  const bool applied = time >= periodStart && time < periodEnd && !(pop && token(0) == "127.0.0.1");
  return applied && token(8) == "***" && tokens.size() - 9 <= (pop ? 2u : 3u) ? Outcome::fails : Outcome::parses;
}

std::wstring widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class SetMaker {
 public:
  // The slot names the set's files and ids; `memory`: only huge fields of 2 MB that no session keeps.
  SetMaker(std::uint64_t seed, std::uint64_t index, unsigned slot, bool memory) : slot_(slot), memory_(memory) {
    std::seed_seq sequence{std::uint32_t(seed), std::uint32_t(seed >> 32), std::uint32_t(index), std::uint32_t(index >> 32)};
    random_.seed(sequence);
    set_.kind = memory ? hugeField : Kind(index % kinds);
    const std::string k = std::to_string(index);
    mine_ = {"i" + k + "a.test", "i" + k + "b.test", "far.test", "I" + k + "A.TEST"}, theirs_ = {"d" + k + "a.test", "far.test"};
    set_.intact[0] = widened(mine_[0]), set_.intact[1] = widened(mine_[1]), set_.damaged = widened(theirs_[0]);
  }

  Set make() {
    const std::uint64_t hurtSmtp = pick(3), hurtPop = hurtSmtp ? pick(2) : 1 + pick(2);
    for (int pop = 0; pop < 2; ++pop) {
      const std::uint64_t intact = pop ? pick(3) : 1 + pick(3), all = intact + (pop ? hurtPop : hurtSmtp);
      std::vector<std::vector<Said>> sessions;
      std::vector<std::string> addresses;
      std::vector<std::size_t> open, next(all);
      for (std::uint64_t n = 0; n < all; ++n) {
        const std::uint32_t id = (slot_ << 16) | (n < intact ? 0 : 0x8000) | std::uint32_t(n);
        const bool local = pop && chance(15);
        addresses.push_back(local ? "127.0.0.1" : "10.0.0." + std::to_string(1 + n));
        sessions.push_back(pop ? popSession(id, n < intact ? mine_ : theirs_, local) : smtpSession(id, n < intact ? mine_ : theirs_));
        if (n < intact) intactIds_[pop].push_back(id);
        open.push_back(n);
      }
      // Sessions interleaved line by line, a line every half hour at most.
      std::vector<Entry> sequence;
      for (std::int64_t time = periodStart - day / 2 + std::int64_t(pick(3 * day)); !open.empty();) {
        const std::size_t k = pick(open.size()), s = open[k];
        const Said& said = sessions[s][next[s]++];
        if (next[s] == sessions[s].size()) open.erase(open.begin() + std::ptrdiff_t(k));
        time += std::int64_t(pick(1800));
        sequence.push_back(entry(pop, addresses[s], said, set_.kind == scrambledDates && chance(50) ? anyTime() : time, s >= intact));
      }
      const std::size_t split = sequence.size() >= 2 && chance(50) ? 1 + pick(sequence.size() - 1) : sequence.size();
      for (std::size_t part = 0; part < (split < sequence.size() ? 2u : 1u); ++part) {
        File& file = set_.files.emplace_back();
        file.name = (pop ? "p" : "s") + std::to_string(1000 + slot_).substr(1) + char('a' + part) + ".log";
        file.lineEnd = chance(70) ? "\r\n" : "\n", file.pop = pop;
        file.entries.assign(sequence.begin() + std::ptrdiff_t(part ? split : 0), sequence.begin() + std::ptrdiff_t(part ? sequence.size() : split));
      }
    }
    std::sort(set_.files.begin(), set_.files.end(), [](const File& a, const File& b) { return a.name < b.name; });
    for (std::uint64_t events = 1 + pick(3); events > 0; --events) damage();
    return std::move(set_);
  }

 private:
  std::uint64_t pick(std::uint64_t n) { return random_() % n; }
  bool chance(int percent) { return pick(100) < std::uint64_t(percent); }
  std::int64_t anyTime() {  // from a day before the period to a day after it, often on its edges
    const std::int64_t edges[] = {periodStart - 1, periodStart, periodEnd - 1, periodEnd};
    return chance(30) ? edges[pick(4)] : periodStart - day + std::int64_t(pick(5 * day));
  }
  std::string word() { return std::string(1 + pick(12), char('a' + pick(11))); }  // never spells a keyword
  std::string separator() { return chance(85) ? " " : chance(50) ? "\t" : "  "; }

  // One message with what it does: its text is the words joined by single blanks; word
  // `sizeWord` of a "***" line is its size.
  Said say(std::uint32_t id, int direction, const std::vector<std::string>& words, bool client = false, int sizeWord = -1) {
    Said said;
    said.message = client ? "Client session " : "", said.id = id, said.direction = direction, said.client = client;
    if (sizeWord >= 0) said.size = std::stoull(words[sizeWord]);
    if (direction) said.message += std::string(direction == 1 ? ">>>" : direction == 2 ? "<<<" : "***") + separator();
    for (std::size_t i = 0; i < words.size(); ++i) said.message += (i ? separator() : "") + words[i], said.length += words[i].size() + (i ? 1 : 0);
    return said;
  }
  std::vector<Said> smtpSession(std::uint32_t id, const std::vector<std::string>& domains) {
    std::vector<Said> lines{say(id, 1, {"220", "mx.test", word()}), say(id, 2, {"EHLO", word()})};
    const std::string sender = "s" + word() + "@" + domains[pick(domains.size())];
    const std::uint64_t form = pick(4);  // the last form has no sender line; the third is the null sender
    if (form == 0) lines.push_back(say(id, 2, {"MAIL", "FROM:<" + sender + ">", "SIZE=" + std::to_string(pick(9999))}));
    if (form == 1) lines.push_back(say(id, 2, {"mail", "from:", "<" + sender + ">"}));
    if (form == 2) lines.push_back(say(id, 2, {"MAIL", "FROM:<>"}));
    if (form < 3) lines.back().sender = form == 2 ? L"" : widened(sender);
    for (std::uint64_t n = pick(4); n > 0; --n) {
      const std::string to = "r" + word() + "@" + domains[pick(domains.size())];
      lines.push_back(pick(3) ? say(id, 2, {"RCPT", "TO:<" + to + ">"}) : say(id, 2, {"rcpt", "to:" + to}));
      lines.back().recipient = widened(to);
    }
    if (chance(70)) lines.push_back(say(id, 3, {"Received", "message", "of", std::to_string(pick(100000)), "bytes"}, false, 3));
    lines.push_back(say(id, 1, {"QUIT"}, true)), lines.push_back(say(id, 2, {"221", word()}, true));
    if (chance(80)) lines.push_back(say(id, 0, {"Disconnected"}));
    return lines;
  }
  std::vector<Said> popSession(std::uint32_t id, const std::vector<std::string>& domains, bool local) {
    std::vector<Said> lines{say(id, 1, {"+OK", "POP3", word()})};
    for (std::uint64_t logins = 1 + pick(2); logins > 0; --logins) {
      const std::string user = "p" + word() + "@" + domains[pick(domains.size())];
      lines.push_back(say(id, 2, {chance(80) ? "USER" : "user", user}));
      lines.back().user = widened(user);
      lines.push_back(say(id, 2, {"PASS", word()}));
    }
    lines.push_back(say(id, 3, {"Sent", "message", std::to_string(pick(100000))}, false, 2));
    lines.push_back(say(id, 1, {"+OK", word()}));
    if (chance(80)) lines.push_back(say(id, 0, {"Disconnected"}));
    for (Said& said : lines) said.local = local;
    return lines;
  }
  Entry entry(bool pop, const std::string& address, const Said& said, std::int64_t time, bool hurt) {
    const auto service = pop ? maillog::Service::pop3 : maillog::Service::smtp;
    Entry made;
    made.bytes = maillog::logLine(service, address, said.id, maillog::fromSeconds(time), said.message), made.time = time;
    if (!hurt) made.effect = said;
    return made;
  }

  void damage() {
    std::vector<std::pair<Entry*, bool>> hurt;  // lines of damaged sessions, with their kind
    for (File& file : set_.files)
      for (Entry& e : file.entries) if (!e.effect && !e.bytes.empty()) hurt.emplace_back(&e, file.pop);
    if (set_.kind <= hugeField && hurt.empty()) return;
    const auto [e, pop] = set_.kind <= hugeField ? hurt[pick(hurt.size())] : std::pair<Entry*, bool>{};
    const auto tokens = e ? spans(e->bytes) : decltype(spans("")){};
    File& file = set_.files[pick(set_.files.size())];
    const std::vector<std::uint32_t>& known = intactIds_[file.pop];
    switch (set_.kind) {
      case truncated:
      case cutAnywhere: {
        const std::size_t keep = pick(set_.kind == truncated ? tokens.size() : e->bytes.size());
        e->bytes.resize(set_.kind == cutAnywhere ? keep : keep ? tokens[keep - 1].second : 0);
        e->outcome = cutOutcome(e->bytes, pop, e->time);
        break;
      }
      case binaryBytes:
        for (std::uint64_t n = 1 + pick(3); n > 0; --n) {
          static const char binary[] = {'\0', '\r', '\x1a', '\x01', '\x7f', '\x80', '\x81', '\x9d', '\xa0', '\xff', '\v', '\f', '\t'};
          const char c = binary[pick(sizeof binary)];
          // Blanks go into the message only, where they may move words. Other bytes go into the
          // message or the unparsed tokens (0 to 3), or make the id, month or time unreadable
          // (not 0xA0: the C library's number scanning skips it as white space).
          static const std::size_t tokenAt[] = {8, 0, 2, 7, 1, 4, 6};
          const bool blank = c == '\r' || c == '\v' || c == '\f' || c == '\t';
          const std::uint64_t where = blank ? 0 : pick(c == '\xa0' ? 4 : 7);
          const auto [first, end] = spans(e->bytes)[tokenAt[where]];
          const std::size_t last = where == 0 ? e->bytes.size() : where == 4 ? first + 1 : where == 6 ? first : end;
          e->bytes.insert(first + pick(last - first + 1), 1, c);
          // Text mode reads 0x1A as the end of the file.
          e->outcome = std::max(e->outcome, c == '\x1a' ? Outcome::ends : where >= 4 ? Outcome::fails : Outcome::parses);
        }
        break;
      case hugeField: {
        // Past the address, the id's eight digits, the service, the day's and year's digits,
        // the seconds, the zone or the message, or in an address that the session keeps.
        static const std::size_t tokenAt[] = {0, 1, 2, 3, 5, 6, 7};
        const std::size_t length = memory_ ? 2 << 20 : 512 + pick(16384 - 512 + 1), at = e->bytes.find('@');
        const std::uint64_t where = pick(memory_ || at == std::string::npos ? 8 : 9);
        std::string field(length, chance(50) ? 'w' : '9');
        for (std::size_t i = 1, words = chance(30); words && i < length; i += 2) field[i] = ' ';  // or a great many words
        if (where == 7) e->bytes += " " + field;
        else if (where == 8) e->bytes.insert(at, length, 'u');
        else e->bytes.insert(tokens[tokenAt[where]].second - (where == 1), length, "afxxyzx"[where]);
        break;
      }
      case unknownIds: {
        // An end, a user or recipient, or a sender (a second one fails the file) for a new id
        // or that of an intact session.
        const std::uint32_t id = known.empty() || chance(50) ? (slot_ << 16) | 0xC000 | std::uint32_t(pick(0x4000)) : known[pick(known.size())];
        const std::string address = "z@" + theirs_[0];
        const std::uint64_t form = pick(3);
        Said said = say(id, 0, {"Disconnected"});
        if (form == 1 || (form == 2 && file.pop)) said = say(id, 2, {file.pop ? "USER" : "RCPT", (file.pop ? "" : "TO:") + address});
        if (form == 1 || (form == 2 && file.pop)) (file.pop ? said.user : said.recipient) = widened(address);
        if (form == 2 && !file.pop) said = say(id, 2, {"MAIL", "FROM:<" + address + ">"}), said.sender = widened(address);
        const Entry made = entry(file.pop, "10.9.9.9", said, periodStart + std::int64_t(pick(3 * day)), false);
        file.entries.insert(file.entries.begin() + std::ptrdiff_t(pick(file.entries.size() + 1)), made);
        break;
      }
      case unendedLine: {
        // Mostly the end of an intact session: read, it would be credited.
        Entry made = entry(file.pop, "10.0.0.1", say(known.empty() ? 0 : known[pick(known.size())], 0, {"Disconnected"}),
                           periodStart + std::int64_t(pick(3 * day)), false);
        if (chance(40)) made.bytes.resize(1 + pick(made.bytes.size() - 1));
        made.lineEnd = false, made.outcome = Outcome::ends;
        if (file.entries.empty() || file.entries.back().lineEnd) file.entries.push_back(made);
        break;
      }
      case vanishes:
      case heldOpen: file.gone = set_.kind == vanishes ? 1 : 2; break;
      default: break;  // dates out of order: drawn with the lines
    }
  }

  std::mt19937_64 random_;
  unsigned slot_;
  bool memory_;
  Set set_;
  std::vector<std::string> mine_, theirs_;
  std::vector<std::uint32_t> intactIds_[2];
};

// The reference reading: sessions replayed from what their lines do, by the rules.
// An SMTP session has no users, a POP3 one no recipients.
struct Session { std::wstring sender; std::vector<std::wstring> recipients, users; std::uint64_t first = 0, second = 0; };

std::wstring domainOf(const std::wstring& address) {
  const std::size_t at = address.find(L'@');
  return at == std::wstring::npos ? L"" : address.substr(at + 1);
}

void credit(TrafficMap& traffic, const std::wstring& address, std::int64_t time, int counter, std::uint64_t amount) {
  const auto found = traffic.find(domainOf(address));
  const maillog::LogStamp stamp = maillog::fromSeconds(time);
  if (found != traffic.end()) found->second[dayTime(stamp.year, stamp.month, stamp.day)][counter] += amount;
}

void close(const Session& s, std::int64_t time, TrafficMap& traffic) {
  for (const std::wstring& user : s.users) credit(traffic, user, time, 4, s.first), credit(traffic, user, time, 5, s.second);
  std::uint64_t listed = 0;
  for (const std::wstring& r : s.recipients) listed += traffic.count(domainOf(r));
  if (listed < s.recipients.size()) credit(traffic, s.sender, time, 0, s.first), credit(traffic, s.sender, time, 1, s.second);
  for (const std::wstring& r : s.recipients)
    if (listed != 0) credit(traffic, r, time, 2, s.first / listed), credit(traffic, r, time, 3, s.second / listed);
}

// False when the line fails its file.
bool apply(const Said& e, bool pop, std::int64_t time, std::map<std::uint32_t, Session>& sessions, TrafficMap& traffic) {
  const auto found = sessions.find(e.id);
  if (pop && e.local) return true;
  if (e.direction == 0 && found != sessions.end()) close(found->second, time, traffic), sessions.erase(found);
  if (e.direction == 0) return true;
  Session& s = sessions[e.id];
  if (e.sender && !s.sender.empty()) return false;
  if (e.sender) s.sender = *e.sender;
  if (!e.recipient.empty()) s.recipients.push_back(e.recipient);
  if (!e.user.empty()) s.users.push_back(e.user);
  if (e.direction == 3) (pop ? s.first : s.second) += e.size;
  else if (pop) (e.direction == 1 ? s.first : s.second) += e.length + 2;
  else ((e.direction == 1) != e.client ? s.first : s.second) += e.length + 2;
  return true;
}

StringList expectedReading(const Set& set, const std::wstring& directory, TrafficMap& traffic, Tally& tally) {
  std::map<std::uint32_t, Session> sessions[2];
  StringList finished;
  for (const File& file : set.files) {
    bool old = true, failed = false;
    for (std::size_t i = 0; i < file.entries.size() && !file.gone && !failed; ++i) {
      const Entry& e = file.entries[i];
      if (!e.lineEnd || e.outcome == Outcome::ends) {
        ++tally.ending;
        break;
      }
      failed = e.outcome == Outcome::fails;
      if (failed || e.time < periodStart) continue;
      old = false;
      if (e.time < periodEnd && e.effect) failed = !apply(*e.effect, file.pop, e.time, sessions[file.pop], traffic);
    }
    tally.failing += failed;
    if (!failed && old) finished.push_back(directory + widened(file.name));
  }
  return finished;
}

std::uint64_t crashPlace[3];  // seed, first and last set of the batch being read
LONG WINAPI reportCrash(EXCEPTION_POINTERS* info) {
  std::fprintf(stderr, "exception %08lX while reading sets %llu to %llu of seed %llu\n", info->ExceptionRecord->ExceptionCode,
               crashPlace[1], crashPlace[2], crashPlace[0]);
  return EXCEPTION_EXECUTE_HANDLER;
}

std::int64_t workingSet() {
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  return std::int64_t(memory.WorkingSetSize);
}

// Sets first .. first + count - 1 of seed, read in batches: each set keeps its own files,
// session ids and domains, so one call reads many sets that cannot touch each other.
Tally readSets(std::uint64_t seed, std::uint64_t count, bool memory = false) {
  const std::uint64_t batch = memory ? 16 : 100;
  Tally tally;
  LogManager::instance();
  const LogSwitches saved = logSwitches();
  logSwitches().console[3] = logSwitches().eventLog[3] = 0;  // thousands of damaged files are logged on purpose
  SetUnhandledExceptionFilter(reportCrash);
  // Tens of thousands of small files go to the host's shared memory through Wine's Z: drive
  // where it has one (several times faster to write); the memory test stays in the temporary folder.
  ScratchDir scratch;
  const DWORD shm = GetFileAttributesW(L"Z:\\dev\\shm\\");
  const bool shared = !memory && shm != INVALID_FILE_ATTRIBUTES && (shm & FILE_ATTRIBUTE_DIRECTORY);
  const std::wstring dir = shared ? L"Z:\\dev\\shm\\traffic-" + std::to_wstring(GetCurrentProcessId()) + L"\\" : scratch.path() + L"\\";
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);  // what a crashed run of the same process id left
  std::filesystem::create_directories(dir);
  std::set<std::wstring> written;  // rewriting a file costs less than making it anew
  for (std::uint64_t start = 0; start < count; start += batch) {
    const std::uint64_t size = std::min(batch, count - start);
    crashPlace[0] = seed, crashPlace[1] = start, crashPlace[2] = start + size - 1;
    if (std::getenv("TRAFFIC_MUTATION_TRACE")) std::fprintf(stderr, "sets %llu to %llu\n", start, start + size - 1);
    std::vector<Set> sets;
    TrafficMap traffic;
    std::map<std::wstring, int> gone;
    std::set<std::wstring> names;
    for (std::uint64_t index = start; index < start + size; ++index) {
      const Set& set = sets.emplace_back(SetMaker(seed, index, unsigned(index % batch), memory).make());
      traffic[set.intact[0]], traffic[set.intact[1]], traffic[set.damaged];
      for (const File& file : set.files) {
        std::string bytes;
        for (const Entry& e : file.entries) bytes += e.bytes + (e.lineEnd ? file.lineEnd : "");
        const std::wstring path = dir + *names.insert(widened(file.name)).first;
        EXPECT_TRUE((std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes).good()) << file.name;
        if (file.gone) gone[widened(file.name)] = file.gone;
      }
    }
    for (const std::wstring& name : written)
      if (!names.count(name)) DeleteFileW((dir + name).c_str());
    written = std::move(names);
    FileHandle held;
    const std::int64_t baseline = workingSet();
    const auto progress = [&](std::size_t, std::size_t, const std::wstring& name) {
      if (memory) tally.peakGrowth = std::max(tally.peakGrowth, workingSet() - baseline);
      held.reset();
      const int how = gone.contains(name) ? gone.at(name) : 0;
      if (how == 1) DeleteFileW((dir + name).c_str());
      if (how == 2) held.reset(CreateFileW((dir + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    StringList finished;
    try {
      Dravo::collectTraffic(dir, dayTime(2026, 5, 10), dayTime(2026, 5, 13), traffic, finished, progress);
    } catch (const vexception&) {
      ++tally.raised;  // the module's own family; the totals below still must hold
    } catch (...) {
      ADD_FAILURE() << "an exception foreign to the module while reading sets " << start << " to " << start + size - 1 << " of seed " << seed;
    }
    held.reset();
    tally.afterGrowth = workingSet() - baseline;
    for (const Set& set : sets) {
      const std::uint64_t index = start + std::uint64_t(&set - sets.data());
      TrafficMap reference{{set.intact[0], {}}, {set.intact[1], {}}, {set.damaged, {}}}, got;
      StringList mine;
      for (const std::wstring& path : finished)
        if (path.compare(dir.size() + 1, 3, std::to_wstring(1000 + index % batch).substr(1)) == 0) mine.push_back(path);
      const StringList wanted = expectedReading(set, dir, reference, tally);
      reference.erase(set.damaged);
      for (const std::wstring& key : set.intact) got[key] = traffic.at(key);
      ++tally.sets[set.kind];
      if ((flatTraffic(got) == flatTraffic(reference) && mine == wanted) || ++tally.wrong[set.kind] > 5) continue;
      EXPECT_EQ(flatTraffic(got), flatTraffic(reference)) << "seed " << seed << ", set " << index;
      EXPECT_EQ(mine, wanted) << "seed " << seed << ", set " << index;
    }
  }
  logSwitches() = saved;
  if (shared) std::filesystem::remove_all(dir, ignored);
  return tally;
}

std::uint64_t fromEnvironment(const char* name, std::uint64_t otherwise) {
  const char* value = std::getenv(name);
  return value && *value ? std::strtoull(value, nullptr, 0) : otherwise;
}

}  // namespace

TEST(TrafficMutation, DamagedSetsRaiseOnlyTheModulesErrorsAndCreditIntactSessionsExactly) {
  const std::uint64_t seed = fromEnvironment("TRAFFIC_MUTATION_SEED", 20261206), count = fromEnvironment("TRAFFIC_MUTATION_SETS", 10000);
  std::printf("seed %llu, %llu sets\n", seed, count);
  const Tally tally = readSets(seed, count);
  std::uint64_t wrong = 0;
  for (int kind = 0; kind < kinds; ++kind) {
    std::printf("  %-16s %8llu sets, %llu wrong\n", kindNames[kind], tally.sets[kind], tally.wrong[kind]);
    wrong += tally.wrong[kind];
  }
  std::printf("files failed %llu, walks ended early %llu, errors raised %llu\n", tally.failing, tally.ending, tally.raised);
  EXPECT_EQ(wrong, 0u) << "seed " << seed;
  EXPECT_EQ(tally.raised, 0u) << "a damaged file may not end the whole reading; seed " << seed;
  EXPECT_TRUE(count < 100 || tally.failing * 20 >= count) << "the damage reaches the parser";
}

TEST(TrafficMutation, HugeFieldsAreNotKeptOnceTheirLineIsRead) {
  const Tally tally = readSets(20261206, 16, true);
  std::printf("working set: %lld KB more at most between files, %lld KB more after the call\n", tally.peakGrowth >> 10,
              tally.afterGrowth >> 10);
  EXPECT_EQ(tally.wrong[hugeField], 0u);
  // At least 16 fields of 2 MB each: kept, they would hold over 64 MB of wide text.
  EXPECT_LT(tally.peakGrowth, 24 << 20);
  EXPECT_LT(tally.afterGrowth, 8 << 20);
}
