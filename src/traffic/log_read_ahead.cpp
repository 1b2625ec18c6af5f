#include "traffic/log_read_ahead.h"

#include <windows.h>

#include <type_traits>

#include "platform/strings.h"
#include "traffic/log_file_reader.h"

namespace Dravo {
namespace {

// A batch is handed over at about this many lines or bytes of text: enough to make the
// handovers rare, little enough to keep the memory small.
constexpr std::size_t batchLines = 512, batchBytes = 32 * 1024;

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

template <class Char>
std::size_t appended(std::basic_string<Char>& texts, std::basic_string_view<Char> text) {
  const std::size_t at = texts.size();
  texts.append(text);
  return at;
}

}  // namespace

template <class Char>
void LogReadAhead::Batch::add(const DravoLogFile::LineView<Char>& view) {
  auto& texts = [this]() -> std::basic_string<Char>& {
    if constexpr (sizeof(Char) == 1) return narrow;
    else return wide;
  }();
  lines.push_back({view.sessionId, view.time, view.direction, view.clientSession, sizeof(Char) > 1,
                   appended(texts, view.address), view.address.size(), appended(texts, view.eighthField),
                   view.eighthField.size(), appended(texts, view.text), view.text.size()});
}

bool LogReadAhead::Batch::full() const {
  return lines.size() >= batchLines || narrow.size() + wide.size() * sizeof(wchar_t) >= batchBytes;
}

void LogReadAhead::Batch::clear() {
  lines.clear();
  // A batch that took a huge line gives its room back rather than keep it for all others.
  const auto empty = [](auto& texts) {
    if (texts.capacity() * sizeof(texts[0]) > 2 * batchBytes) std::decay_t<decltype(texts)>().swap(texts);
    else texts.clear();
  };
  empty(narrow);
  empty(wide);
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
  LogFileReader reader;  // one buffer for all files
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
      for (std::string_view raw; reader.next(raw);) {
        parser.parse(raw, [&](const auto& line) {
          const TimeKey time(line.time);
          if (time < start) return;
          old = false;
          if (time < end) batch->add(line);
        });
        if (batch->full()) {
          hand();
          if (!(batch = fresh())) return;
        }
      }
    } catch (...) {
      batch->failure = std::current_exception();
    }
    reader.close();
    batch->fileEnd = true;
    batch->old = old;
    hand();
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

void LogReadAhead::hand() { filled_.fetch_add(1, std::memory_order_release); }

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
