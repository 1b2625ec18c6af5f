#include <gtest/gtest.h>

#include "mailobjects/unicode_name.h"

namespace {

TEST(UnicodeForm, DecodesAceLabelsAndKeepsOthers) {
  EXPECT_EQ(Dravo::unicodeForm(L"xn--bcher-kva.example"), L"b\u00fccher.example");
  EXPECT_EQ(Dravo::unicodeForm(L"example.com"), L"example.com");
  EXPECT_EQ(Dravo::withUnicodeForm(L"xn--mnchen-3ya.de"), L"xn--mnchen-3ya.de [m\u00fcnchen.de]");
  EXPECT_EQ(Dravo::withUnicodeForm(L"plain.org"), L"plain.org [plain.org]");
}

TEST(UnicodeForm, MalformedAceLabelComesBackAsGiven) {
  EXPECT_EQ(Dravo::unicodeForm(L"xn--.example"), L"xn--.example");
}

}  // namespace
