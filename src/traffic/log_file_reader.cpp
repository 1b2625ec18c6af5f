#include "traffic/log_file_reader.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include <emmintrin.h>

namespace Dravo {
namespace {

// The first LF or 0x1A in [at, end), or null.
const char* findBreak(const char* at, const char* end) {
  const __m128i lineFeed = _mm_set1_epi8('\n'), stop = _mm_set1_epi8(0x1A);
  for (; end - at >= 16; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, stop)));
    if (found != 0) return at + __builtin_ctz(static_cast<unsigned>(found));
  }
  for (; at != end; ++at) {
    if (*at == '\n' || *at == 0x1A) return at;
  }
  return nullptr;
}

}  // namespace

void LogFileReader::open(const std::string& path) {
  file_.reset(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  begin_ = end_ = scanned_ = 0;
  linesGiven_ = false;
  ended_ = !file_;
  // One buffer serves all files, as a fresh one costs its pages anew for each small file;
  // one grown for a long line is given back.
  if (buffer_.capacity > blockSize_) buffer_ = {};
  if (file_ && !buffer_.bytes) buffer_ = {std::make_unique_for_overwrite<char[]>(blockSize_), blockSize_};
}

void LogFileReader::close() {
  file_.reset();
  ended_ = true;
}

void LogFileReader::exchange(LogBuffer& kept) {
  const std::size_t unread = ended_ ? 0 : end_ - begin_;
  if (!ended_ && kept.capacity < std::max(blockSize_, unread)) {
    const std::size_t capacity = std::max(blockSize_, unread);
    kept = {std::make_unique_for_overwrite<char[]>(capacity), capacity};
  }
  if (unread > 0) std::memcpy(kept.bytes.get(), buffer_.bytes.get() + begin_, unread);
  std::swap(buffer_, kept);
  begin_ = 0;
  end_ = unread;
  linesGiven_ = false;
}

// Reads the next block behind the unread bytes, moving them to the front and growing
// the buffer when a line fills it; closes the file when nothing more comes.
void LogFileReader::fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.bytes.get(), buffer_.bytes.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.capacity) {
    LogBuffer larger{std::make_unique_for_overwrite<char[]>(buffer_.capacity * 2), buffer_.capacity * 2};
    std::memcpy(larger.bytes.get(), buffer_.bytes.get(), end_);
    buffer_ = std::move(larger);
  }
  DWORD got = 0;
  const DWORD room = static_cast<DWORD>(std::min<std::size_t>(buffer_.capacity - end_, 1u << 30));
  if (ReadFile(file_.get(), buffer_.bytes.get() + end_, room, &got, nullptr) && got > 0) end_ += got;
  else close();
}

bool LogFileReader::next(std::string_view& line) {
  while (!ended_) {
    char* const start = buffer_.bytes.get() + begin_;
    const char* const found = findBreak(start + scanned_, buffer_.bytes.get() + end_);
    if (found && *found == '\n') {
      std::size_t length = static_cast<std::size_t>(found - start);
      begin_ += length + 1;
      scanned_ = 0;
      if (length > 0 && start[length - 1] == '\r') --length;  // CR LF arrives as LF
      if (length == 0) break;  // an empty line ends the file
      line = std::string_view(start, length);
      linesGiven_ = true;
      return true;
    }
    // Text mode reads nothing from the first 0x1A on, so the line before it has no end.
    if (found) break;
    scanned_ = end_ - begin_;
    if (linesGiven_) {
      linesGiven_ = false;
      return false;  // reading on would overwrite them
    }
    fill();
  }
  close();
  return false;
}

}  // namespace Dravo
