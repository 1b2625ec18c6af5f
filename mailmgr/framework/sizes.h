#pragma once
// Sizes as people write them: a number with an optional 1024-based unit.

#include <string>
#include <string_view>

namespace mailmgr {

// "2048" and "2048B" are bytes; "512K", "100M", "1.5G" (also "100MB", "100MiB", any case,
// a space before the unit allowed). The result must be a whole number of bytes.
// Raises UsageError naming the text when it is not a size.
long long parseSize(std::wstring_view text);

// As parseSize, for a limit that the provider takes as a signed 32-bit byte count;
// "unlimited" and "none" give 0, which the provider reads as no limit.
int parseLimit(std::wstring_view text);

// The largest unit that divides the size exactly ("100M", "1536K", "1000 bytes", "0 bytes");
// sizes that no unit divides show the largest unit that fits with at most two decimals,
// rounded down ("1.46K" for 1500 bytes).
std::wstring formatSize(long long bytes);

}  // namespace mailmgr
