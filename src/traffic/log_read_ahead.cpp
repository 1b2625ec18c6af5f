#include "traffic/log_read_ahead.h"

#include <windows.h>

#include <functional>
#include <type_traits>

#include "platform/strings.h"

namespace Dravo {
namespace {

// The file is read this many bytes at a time, and each block's lines go over as one batch:
// enough to make the handovers rare, little enough that the first lines of a file are
// soon there and the memory stays small.
constexpr std::size_t blockSize = 64 * 1024;

// A date-time as two numbers that order as the date-times do (year, month, day, hour,
// minute, second, milliseconds; the day of the week is ignored), cheaper to compare on
// every line than the fields one by one.
struct TimeKey {
  std::uint64_t high, low;
  explicit TimeKey(const SYSTEMTIME& t)
      : high(std::uint64_t(t.wYear) << 48 | std::uint64_t(t.wMonth) << 32 | std::uint64_t(t.wDay) << 16 | t.wHour),
        low(std::uint64_t(t.wMinute) << 32 | std::uint64_t(t.wSecond) << 16 | t.wMilliseconds) {}
  bool operator<(const TimeKey& other) const { return high != other.high ? high < other.high : low < other.low; }
};

// Spins until `ready`, yielding the core after a while to whatever else wants it, and
// sleeping once the wait is long, so that a thread that waits for the other's long
// work does not hold a core.
template <class Ready>
void spinUntil(Ready ready) {
  for (unsigned spins = 0; !ready(); ++spins) {
    if (spins < 256) YieldProcessor();
    else if (spins < 4096) SwitchToThread();
    else Sleep(1);
  }
}

bool within(std::string_view part, std::string_view whole) {
  const std::less_equal<const char*> notAfter;
  return notAfter(whole.data(), part.data()) && notAfter(part.data() + part.size(), whole.data() + whole.size());
}

// Appends the texts of `view` to `texts`; where they start.
template <class Char>
std::size_t appended(std::basic_string<Char>& texts, const DravoLogFile::LineView<Char>& view) {
  const std::size_t at = texts.size();
  texts.append(view.address).append(view.eighthField).append(view.text);
  return at;
}

// `view` pointed at its texts, which start at `at` in `texts`.
template <class Char>
void pointAt(DravoLogFile::LineView<Char>& view, std::basic_string_view<Char> texts, std::size_t at) {
  view.address = texts.substr(at, view.address.size());
  at += view.address.size();
  view.eighthField = texts.substr(at, view.eighthField.size());
  view.text = texts.substr(at + view.eighthField.size(), view.text.size());
}

}  // namespace

void LogReadAhead::Batch::add(const DravoLogFile::LineView<char>& view, std::string_view raw) {
  // A message joined from words that stood apart lies in the parser, not in the line.
  if (!within(view.address, raw) || !within(view.eighthField, raw) || !within(view.text, raw)) {
    narrowCopies.emplace_back(lines.size(), appended(narrowTexts, view));
  }
  lines.push_back({view, narrowLine});
}

void LogReadAhead::Batch::add(const DravoLogFile::LineView<wchar_t>& view, std::string_view) {
  wideLines.emplace_back(view, appended(wideTexts, view));
  lines.push_back({{}, wideLines.size() - 1});
}

void LogReadAhead::Batch::seal() {
  for (const auto& [line, at] : narrowCopies) pointAt(lines[line].narrow, std::string_view(narrowTexts), at);
  for (auto& [view, at] : wideLines) pointAt(view, std::wstring_view(wideTexts), at);
}

void LogReadAhead::Batch::clear() {
  lines.clear();
  narrowCopies.clear();
  wideLines.clear();
  // Room grown for a huge line is given back rather than kept for all others.
  const auto empty = [](auto& texts) {
    if (texts.capacity() * sizeof(texts[0]) > 2 * blockSize) std::decay_t<decltype(texts)>().swap(texts);
    else texts.clear();
  };
  empty(narrowTexts);
  empty(wideTexts);
  if (block.capacity > blockSize) block = {};
  fileEnd = false;
  old = true;
  failure = nullptr;
}

LogReadAhead::LogReadAhead(std::vector<std::wstring> paths, const SYSTEMTIME& from, const SYSTEMTIME& to)
    : paths_(std::move(paths)), from_(from), to_(to), reader_([this] { produce(); }) {}

LogReadAhead::~LogReadAhead() {
  stopping_ = true;
  reader_.join();
}

void LogReadAhead::produce() {
  LogFileReader reader(blockSize);
  const TimeKey start(from_), end(to_);
  for (std::size_t index = 0; index < paths_.size(); ++index) {
    const std::wstring& path = paths_[index];
    if (!waitUntilAsked(index)) return;
    Batch* batch = fresh();
    if (!batch) return;
    bool old = true;
    try {
      DravoLogFile::LineParser parser;  // its buffers grow with the file's longest line
      reader.open(toNarrow(path, CP_ACP));
      for (std::string_view raw;;) {
        if (reader.next(raw)) {
          parser.parse(raw, [&](const auto& line) {
            const TimeKey time(line.time);
            if (time < start) return;
            old = false;
            if (time < end) batch->add(line, raw);
          });
        } else if (reader.ended()) {
          break;
        } else if (!batch->lines.empty()) {  // the block's lines go over before it is read into again
          hand(*batch, reader);
          if (!(batch = fresh())) return;
        }
      }
    } catch (...) {
      batch->failure = std::current_exception();
    }
    reader.close();
    batch->fileEnd = true;
    batch->old = old;
    hand(*batch, reader);
  }
}

void LogReadAhead::askForNextFile() { ++asked_; }

bool LogReadAhead::waitUntilAsked(std::size_t index) {
  spinUntil([&] { return stopping_ || asked_ > index; });
  return !stopping_;
}

LogReadAhead::Batch* LogReadAhead::fresh() {
  const std::size_t next = filled_.load(std::memory_order_relaxed);
  spinUntil([&] { return stopping_ || next - emptied_.load(std::memory_order_acquire) < ringSize; });
  return stopping_ ? nullptr : &ring_[next % ringSize];
}

void LogReadAhead::hand(Batch& batch, LogFileReader& reader) {
  batch.seal();
  reader.exchange(batch.block);
  filled_.fetch_add(1, std::memory_order_release);
}

LogReadAhead::Batch& LogReadAhead::take() {
  const std::size_t next = emptied_.load(std::memory_order_relaxed);
  spinUntil([&] { return filled_.load(std::memory_order_acquire) > next; });
  return ring_[next % ringSize];
}

void LogReadAhead::release() {
  ring_[emptied_.load(std::memory_order_relaxed) % ringSize].clear();
  emptied_.fetch_add(1, std::memory_order_release);
}

void LogReadAhead::skipRestOfFile() {
  for (bool fileEnd = false; !fileEnd;) {
    fileEnd = take().fileEnd;
    release();
  }
}

}  // namespace Dravo
