#include "framework/sizes.h"

#include <climits>
#include <cwctype>

#include "framework/usage_error.h"

namespace mailmgr {
namespace {

constexpr long long kilo = 1024;
// Large enough for any mail quota, small enough that no arithmetic below overflows.
constexpr long long largest = 1LL << 50;

bool equalsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

long long unitFactor(std::wstring_view unit) {
  if (unit.empty() || equalsNoCase(unit, L"b") || equalsNoCase(unit, L"bytes")) return 1;
  const wchar_t letter = static_cast<wchar_t>(std::towlower(unit[0]));
  const std::wstring_view rest = unit.substr(1);
  if (!rest.empty() && !equalsNoCase(rest, L"b") && !equalsNoCase(rest, L"ib")) return 0;
  switch (letter) {
    case L'k': return kilo;
    case L'm': return kilo * kilo;
    case L'g': return kilo * kilo * kilo;
    case L't': return kilo * kilo * kilo * kilo;
    default: return 0;
  }
}

[[noreturn]] void badSize(std::wstring_view text, const wchar_t* why) {
  throw UsageError{L"invalid size '" + std::wstring(text) + L"': " + why};
}

}  // namespace

long long parseSize(std::wstring_view text) {
  std::size_t at = 0;
  long long whole = 0;
  const auto digit = [&](std::size_t i) { return i < text.size() && text[i] >= L'0' && text[i] <= L'9'; };
  if (!digit(at)) badSize(text, L"expected a number such as 512K, 100M or 2G");
  for (; digit(at); ++at) {
    whole = whole * 10 + (text[at] - L'0');
    if (whole > largest) badSize(text, L"too large");
  }
  // The fraction is kept as digits over a power of ten so that 1.5G stays exact.
  long long fraction = 0, scale = 1;
  if (at < text.size() && text[at] == L'.') {
    ++at;
    if (!digit(at)) badSize(text, L"expected digits after the decimal point");
    for (; digit(at); ++at) {
      if (scale >= 1000000) badSize(text, L"too many decimal places");
      fraction = fraction * 10 + (text[at] - L'0');
      scale *= 10;
    }
  }
  if (at < text.size() && text[at] == L' ') ++at;
  const long long factor = unitFactor(text.substr(at));
  if (factor == 0) badSize(text, L"unknown unit (use K, M, G or none for bytes)");
  if (whole > largest / factor) badSize(text, L"too large");
  // fraction stays below 10^6 and factor at most 2^40: the product fits.
  const long long fractionBytes = fraction * factor;
  if (fractionBytes % scale != 0) badSize(text, L"not a whole number of bytes");
  return whole * factor + fractionBytes / scale;
}

int parseLimit(std::wstring_view text) {
  if (equalsNoCase(text, L"unlimited") || equalsNoCase(text, L"none")) return 0;
  const long long bytes = parseSize(text);
  if (bytes > INT_MAX) {
    throw UsageError{L"invalid size '" + std::wstring(text) + L"': too large; the provider takes at most " +
                     std::to_wstring(INT_MAX) + L" bytes (2G less one byte)"};
  }
  return static_cast<int>(bytes);
}

std::wstring formatSize(long long bytes) {
  static constexpr struct {
    long long factor;
    const wchar_t* suffix;
  } units[] = {{kilo * kilo * kilo * kilo, L"T"}, {kilo * kilo * kilo, L"G"}, {kilo * kilo, L"M"}, {kilo, L"K"}};
  const long long magnitude = bytes < 0 ? -bytes : bytes;
  if (magnitude == 0) return L"0 bytes";
  for (const auto& unit : units) {
    if (magnitude % unit.factor == 0) return std::to_wstring(bytes / unit.factor) + unit.suffix;
  }
  for (const auto& unit : units) {
    if (magnitude >= unit.factor) {
      // Hundredths of the unit, rounded down so that a size never shows as more than it is.
      const long long hundredths = magnitude * 100 / unit.factor;
      std::wstring text = (bytes < 0 ? L"-" : L"") + std::to_wstring(hundredths / 100);
      if (const long long cents = hundredths % 100; cents != 0) {
        text += L".";
        text += static_cast<wchar_t>(L'0' + cents / 10);
        if (cents % 10 != 0) text += static_cast<wchar_t>(L'0' + cents % 10);
      }
      return text + unit.suffix;
    }
  }
  return std::to_wstring(bytes) + (magnitude == 1 ? L" byte" : L" bytes");
}

}  // namespace mailmgr
