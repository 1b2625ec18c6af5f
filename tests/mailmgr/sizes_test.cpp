#include "framework/sizes.h"

#include <gtest/gtest.h>

#include "framework/usage_error.h"

namespace mailmgr {
namespace {

TEST(ParseSize, UnitsAre1024BasedAndDecimalsExact) {
  const std::pair<const wchar_t*, long long> sizes[] = {
      {L"2048B", 2048},        {L"512k", 512 * 1024},     {L"100M", 100LL << 20}, {L"100MiB", 100LL << 20},
      {L"100 m", 100LL << 20}, {L"2G", 2LL << 30},        {L"0", 0},              {L"1.5G", 3LL << 29},
      {L"0.5K", 512},          {L"1.25M", 1310720},       {L"1.0", 1}};
  for (const auto& [text, bytes] : sizes) EXPECT_EQ(parseSize(text), bytes) << testing::PrintToString(std::wstring(text));
  for (const wchar_t* text : {L"", L"M", L"-5M", L"10X", L"10KK", L"1e3", L"1.", L".5M", L"5 M B", L"1,5M", L" 5M",
                              L"5M ", L"1.5", L"0.1K", L"1.0000001G", L"99999999999999999999", L"2000000T"}) {
    EXPECT_THROW(parseSize(text), UsageError) << "accepted '" << std::string(text, text + wcslen(text)) << "'";
  }
}

TEST(ParseLimit, FitsTheProvidersSigned32BitBytes) {
  EXPECT_EQ(parseLimit(L"unlimited"), 0);
  EXPECT_EQ(parseLimit(L"NONE"), 0);
  EXPECT_EQ(parseLimit(L"2047M"), 2146435072);
  EXPECT_EQ(parseLimit(L"2147483647"), 2147483647);
  EXPECT_THROW(parseLimit(L"2G"), UsageError);
  EXPECT_THROW(parseLimit(L"2147483648"), UsageError);
}

TEST(FormatSize, LargestExactUnitOrTwoDecimalsRoundedDown) {
  EXPECT_EQ(formatSize(0), L"0 bytes");
  EXPECT_EQ(formatSize(1), L"1 byte");
  EXPECT_EQ(formatSize(1000), L"1000 bytes");
  EXPECT_EQ(formatSize(1536LL << 10), L"1536K");
  EXPECT_EQ(formatSize(2LL << 30), L"2G");
  EXPECT_EQ(formatSize(-1024), L"-1K");
  EXPECT_EQ(formatSize(1500), L"1.46K");
  EXPECT_EQ(formatSize(1536), L"1.5K");
  EXPECT_EQ(formatSize(1024 + 51), L"1.04K");  // 1.0498K, rounded down
  EXPECT_EQ(formatSize(1025), L"1K");
  EXPECT_EQ(formatSize((2LL << 30) - 1), L"1.99G");  // never shown as the next unit up
  for (const long long bytes : {7LL, 3LL << 20, 5LL << 30}) {
    EXPECT_EQ(parseSize(formatSize(bytes).substr(0, formatSize(bytes).find(L" bytes"))), bytes) << bytes;
  }
}

}  // namespace
}  // namespace mailmgr
