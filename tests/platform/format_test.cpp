#include <gtest/gtest.h>

#include "platform/format.h"

namespace {

TEST(Format, WideStringsNumbersAndCapacityBoundaries) {
  EXPECT_EQ(format(L"%s=%d (%08X)", L"name", -3, 0xABCu), L"name=-3 (00000ABC)");
  const std::wstring ninetyNine(99, L'x'), hundred(100, L'y'), long_(5000, L'z');
  EXPECT_EQ(format(L"%s", ninetyNine.c_str()), ninetyNine);
  EXPECT_EQ(format(L"%s", hundred.c_str()), hundred);
  EXPECT_EQ(format(L"%s", long_.c_str()), long_);
  EXPECT_EQ(format(L""), L"");
}

TEST(Format, TextTooLongForTheLimitGivesTheFixedMessage) {
  const std::wstring huge(6 * 1024 * 1024, L'q');
  EXPECT_EQ(format(L"%s%s", huge.c_str(), huge.c_str()), L"Error on try call vaformat");
}

}  // namespace
