#include <gtest/gtest.h>

#include "mailobjects/string_list.h"
#include "platform/exceptions.h"

namespace {

using Dravo::delFromStrList;
using Dravo::replaceInStrList;
using Dravo::tokenize;

std::wstring deleted(std::wstring list, const std::wstring& item) {
  delFromStrList(list, item);
  return list;
}

TEST(Tokenize, DropsEmptyItemsWhenCountIsZero) {
  StringList items{L"kept"};
  tokenize(items, L";a;;b;", L";");
  EXPECT_EQ(items, (StringList{L"kept", L"a", L"b"})) << "appends, never clears";
  StringList none;
  tokenize(none, L"", L";");
  tokenize(none, L";;;", L";");
  EXPECT_TRUE(none.empty());
}

TEST(Tokenize, SeveralSeparatorsAndEmptyRuns) {
  StringList items;
  tokenize(items, L"a b,c", L" ,");
  EXPECT_EQ(items, (StringList{L"a", L"b", L"c"}));
  StringList withEmpty;
  // The separator that ends an item does not count towards the run.
  tokenize(withEmpty, L"a;;b;;;c", L";", 2);
  EXPECT_EQ(withEmpty, (StringList{L"a", L"b", L"", L"c"}));
}

TEST(DelFromStrList, ErasesTheItemWithOneSeparator) {
  EXPECT_EQ(deleted(L"a;b;c", L"b"), L"a;c");
  EXPECT_EQ(deleted(L"a;b;c", L"c"), L"a;b");
  EXPECT_EQ(deleted(L"a;b;c", L"a"), L"b;c");
  EXPECT_EQ(deleted(L"a", L"a"), L"");
  EXPECT_EQ(deleted(L"x;a;x", L"x"), L"a;x") << "only the first match";
}

TEST(DelFromStrList, AbsentItemsRaiseAndLeaveTheList) {
  for (const wchar_t* item : {L"B", L"a"}) {
    std::wstring list = item[0] == L'B' ? L"a;b;c" : L"ab;c";
    const std::wstring before = list;
    try {
      delFromStrList(list, item);
      FAIL() << "no failure for " << static_cast<char>(item[0]);
    } catch (const vexception& e) {
      EXPECT_EQ(e.message(), std::wstring(L"Run-Time error: List does not contain ") + item + L" item");
      EXPECT_EQ(e.trace().front().function, "Dravo::delFromStrList");
    }
    EXPECT_EQ(list, before);
  }
  std::wstring empty;
  EXPECT_THROW(delFromStrList(empty, L""), vexception);
}

TEST(ReplaceInStrList, ReplacesInPlaceOrRaises) {
  std::wstring list = L"a;b";
  replaceInStrList(list, L"b", L"x");
  EXPECT_EQ(list, L"a;x");
  replaceInStrList(list, L"a", L"long");
  EXPECT_EQ(list, L"long;x");
  try {
    replaceInStrList(list, L"lon", L"y");
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: List does not contain lon item");
    EXPECT_EQ(e.trace().front().function, "Dravo::replaceInStrList");
  }
  EXPECT_EQ(list, L"long;x");
}

}  // namespace
