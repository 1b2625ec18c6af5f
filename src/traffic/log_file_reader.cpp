#include "traffic/log_file_reader.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace Dravo {
namespace {

// The first LF or 0x1A in [at, end), or null.
const char* findBreak(const char* at, const char* end) {
#ifdef __SSE2__
  const __m128i lineFeed = _mm_set1_epi8('\n'), stop = _mm_set1_epi8(0x1A);
  for (; end - at >= 16; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, stop)));
    if (found != 0) return at + __builtin_ctz(static_cast<unsigned>(found));
  }
#endif
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
  // One buffer serves all files, as a fresh one costs its pages anew for each small file;
  // one grown for a long line is given back.
  if (capacity_ > blockSize_) buffer_.reset();
  if (file_ && !buffer_) {
    capacity_ = blockSize_;
    buffer_.reset(new char[capacity_]);
  }
}

// Reads the next block behind the unread bytes, moving them to the front and growing
// the buffer when a line fills it; false when nothing more comes.
bool LogFileReader::fill() {
  if (!file_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == capacity_) {
    std::unique_ptr<char[]> larger(new char[capacity_ * 2]);
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
    capacity_ *= 2;
  }
  DWORD got = 0;
  const DWORD room = static_cast<DWORD>(std::min<std::size_t>(capacity_ - end_, 1u << 30));
  if (!ReadFile(file_.get(), buffer_.get() + end_, room, &got, nullptr) || got == 0) {
    file_.reset();
    return false;
  }
  end_ += got;
  return true;
}

bool LogFileReader::next(std::string_view& line) {
  if (!buffer_) return false;
  for (;;) {
    char* const start = buffer_.get() + begin_;
    const char* const found = findBreak(start + scanned_, buffer_.get() + end_);
    if (found && *found == '\n') {
      std::size_t length = static_cast<std::size_t>(found - start);
      begin_ += length + 1;
      scanned_ = 0;
      if (length > 0 && start[length - 1] == '\r') --length;  // CR LF arrives as LF
      line = std::string_view(start, length);
      return length > 0;
    }
    if (found) {
      // Text mode reads nothing from the first 0x1A on, so the line before it has no end.
      file_.reset();
      end_ = static_cast<std::size_t>(found - buffer_.get());
      scanned_ = end_ - begin_;
      return false;
    }
    scanned_ = end_ - begin_;
    if (!fill()) return false;
  }
}

}  // namespace Dravo
