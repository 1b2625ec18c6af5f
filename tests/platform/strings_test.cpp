#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/strings.h"

namespace {

TEST(Strings, ConvertUtf8AnsiEmptyAndEmbeddedZeros) {
  EXPECT_EQ(toNarrow(L"", CP_ACP), "");
  EXPECT_EQ(toWide("", CP_UTF8), L"");
  EXPECT_EQ(toWide("abc", CP_UTF8), L"abc");
  EXPECT_EQ(toNarrow(L"b\u00fccher", CP_UTF8), "b\xc3\xbc" "cher");
  EXPECT_EQ(toWide("b\xc3\xbc" "cher", CP_UTF8), L"b\u00fccher");
  EXPECT_EQ(toNarrow(L"caf\u00e9", CP_ACP), "caf\xe9");  // code page 1252
  const std::wstring wide(L"a\0b", 3);
  EXPECT_EQ(toNarrow(wide, CP_UTF8), std::string("a\0b", 3));
  EXPECT_EQ(toWide(std::string("a\0b", 3), CP_UTF8), wide);
}

TEST(Strings, FailedConversionRaisesRuntimeError) {
  try {
    toWide("abc", 12345);  // no such code page
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Maps a character string to a wide-character (Unicode) string failed");
    EXPECT_EQ(e.trace().front().function, "wstr");
    EXPECT_EQ(e.trace().front().line, 32u);
  }
  try {
    toNarrow(L"abc", 12345);
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Maps a wide-character (Unicode) string to a character stringz");
    EXPECT_EQ(e.trace().front().function, "cstr");
  }
}

TEST(Strings, EqualsNoCase) {
  EXPECT_TRUE(equalsNoCase(L"Info@Example.COM", L"info@example.com"));
  EXPECT_TRUE(equalsNoCase(L"\u00e9t\u00e9", L"\u00c9T\u00c9"));
  EXPECT_FALSE(equalsNoCase(L"abc", L"abcd"));
  EXPECT_FALSE(equalsNoCase(L"abc", L"abd"));
  EXPECT_TRUE(equalsNoCase(L"", L""));
}

}  // namespace
