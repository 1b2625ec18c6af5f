#pragma once
// Splitting a narrow log line into tokens at white space (space, tab, LF, vertical tab,
// form feed, CR), sixteen or thirty-two bytes at a time with SSE2.

#include <cstddef>
#include <string_view>
#include <vector>

namespace Dravo {

// At most this many tokens of a canonical line are split apart; what follows the twelfth
// token's start is message text, which such a line already holds joined by single blanks.
constexpr std::size_t splitTokens = 12;

// A canonical line: ASCII, its only white space single blanks between tokens. Its first
// tokens go to `tokens`, the last of them reaching to the line's end; false for any other
// line (and for a short one), which splitAscii then reads.
bool splitCanonical(std::string_view line, std::string_view (&tokens)[splitTokens], std::size_t& count);

// Splits an ASCII line at white space into `tokens`; false, with `tokens` unusable, for a
// line with a byte that is not ASCII.
bool splitAscii(std::string_view line, std::vector<std::string_view>& tokens);

}  // namespace Dravo
