#include "traffic/log_read_ahead.h"

#include <type_traits>

#include "platform/strings.h"
#include "traffic/log_file_reader.h"

namespace Dravo {
namespace {

// Enough to keep both threads busy and the memory small: a batch is handed over at
// about this many lines or bytes of text.
constexpr std::size_t batchCount = 3, batchLines = 2048, batchBytes = 128 * 1024;

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
    : paths_(std::move(paths)), from_(from), to_(to) {
  for (std::size_t i = 0; i < batchCount; ++i) {
    batches_.push_back(std::make_unique<Batch>());
    free_.push_back(batches_.back().get());
  }
  reader_ = std::thread([this] { produce(); });
}

LogReadAhead::~LogReadAhead() {
  {
    const std::lock_guard guard(lock_);
    stopping_ = true;
  }
  changed_.notify_all();
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
          hand(batch);
          if (!(batch = fresh())) return;
        }
      }
    } catch (...) {
      batch->failure = std::current_exception();
    }
    reader.close();
    batch->fileEnd = true;
    batch->old = old;
    hand(batch);
  }
}

void LogReadAhead::askForNextFile() {
  {
    const std::lock_guard guard(lock_);
    ++asked_;
  }
  changed_.notify_all();
}

bool LogReadAhead::waitUntilAsked(std::size_t index) {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [&] { return stopping_ || asked_ > index; });
  return !stopping_;
}

LogReadAhead::Batch* LogReadAhead::fresh() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return stopping_ || !free_.empty(); });
  if (stopping_) return nullptr;
  Batch* batch = free_.back();
  free_.pop_back();
  return batch;
}

void LogReadAhead::hand(Batch* batch) {
  {
    const std::lock_guard guard(lock_);
    ready_.push_back(batch);
  }
  changed_.notify_all();
}

LogReadAhead::Batch* LogReadAhead::take() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [this] { return !ready_.empty(); });
  Batch* batch = ready_.front();
  ready_.pop_front();
  return batch;
}

void LogReadAhead::release(Batch* batch) {
  batch->clear();
  {
    const std::lock_guard guard(lock_);
    free_.push_back(batch);
  }
  changed_.notify_all();
}

void LogReadAhead::skipRestOfFile() {
  for (bool fileEnd = false; !fileEnd;) {
    Batch* batch = take();
    fileEnd = batch->fileEnd;
    release(batch);
  }
}

}  // namespace Dravo
