#include "traffic/log_line_split.h"

#include <cstring>

#include <emmintrin.h>

namespace Dravo {

bool splitAscii(std::string_view line, std::vector<std::string_view>& tokens) {
  tokens.clear();
  const char* const base = line.data();
  const std::size_t size = line.size();
  std::size_t start = 0;
  // Sixteen bytes at a time: a mask of the white space among them, whose changes from one
  // byte to the next are where tokens start and end.
  unsigned previous = 1;  // whether the byte before is white space; the line's start counts as such
  for (std::size_t at = 0; at < size; at += 16) {
    __m128i bytes;
    if (size - at >= 16) {
      bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
    } else {
      alignas(16) char tail[16];
      std::memset(tail, ' ', sizeof tail);
      std::memcpy(tail, base + at, size - at);
      bytes = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
    }
    if (_mm_movemask_epi8(bytes) != 0) return false;
    const __m128i blank = _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '));
    const __m128i control = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('\t' - 1)), _mm_cmplt_epi8(bytes, _mm_set1_epi8('\r' + 1)));
    const auto white = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(blank, control)));
    for (unsigned edges = (white ^ (white << 1 | previous)) & 0xFFFF; edges != 0; edges &= edges - 1) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(edges));
      if (white >> bit & 1) tokens.emplace_back(base + start, at + bit - start);
      else start = at + bit;
    }
    previous = white >> 15;
  }
  if (!previous) tokens.emplace_back(base + start, size - start);
  return true;
}

bool splitCanonical(std::string_view line, std::string_view (&tokens)[splitTokens], std::size_t& count) {
  const char* const base = line.data();
  const std::size_t size = line.size();
  if (size < 32) return false;  // no log line is this short
  const auto classify = [](const char* at, unsigned& blank) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i control = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('\t' - 1)), _mm_cmplt_epi8(bytes, _mm_set1_epi8('\r' + 1)));
    blank = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(bytes, control)));  // not ASCII, or white space but a blank
  };
  std::size_t found = 0, start = 0;
  unsigned previous = 1;  // a blank before the line's start makes a leading blank a double one
  for (std::size_t at = 0; at < size; at += 32) {
    // Thirty-two bytes at a time; the last are read as the end of the thirty-two that end the line.
    const std::size_t shift = size - at >= 32 ? 0 : 32 - (size - at);
    unsigned low = 0, high = 0;
    const unsigned other = (classify(base + at - shift, low) | classify(base + at - shift + 16, high) << 16) >> shift;
    const unsigned blank = (low | high << 16) >> shift;
    if (other != 0 || (blank & (blank << 1 | previous)) != 0) return false;
    for (unsigned rest = blank; rest != 0 && found < splitTokens - 1; rest &= rest - 1) {
      const std::size_t end = at + static_cast<unsigned>(__builtin_ctz(rest));
      tokens[found++] = std::string_view(base + start, end - start);
      start = end + 1;
    }
    previous = blank >> 31;
  }
  if (base[size - 1] == ' ') return false;
  tokens[found] = std::string_view(base + start, size - start);
  count = found + 1;
  return true;
}

}  // namespace Dravo
