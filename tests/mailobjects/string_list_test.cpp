#include <gtest/gtest.h>

#include "mailobjects/string_list.h"
#include "support/raised.h"

namespace {

using namespace Dravo;

TEST(Tokenize, AppendsItemsDroppingEmptyRunsUpToTheCount) {
  const std::tuple<const wchar_t*, const wchar_t*, int, StringList> cases[] = {
      {L";a;;b;", L";", 0, {L"kept", L"a", L"b"}},  // appends, never clears
      {L"a b,c", L" ,", 0, {L"kept", L"a", L"b", L"c"}},
      {L"a;;b;;;c", L";", 2, {L"kept", L"a", L"b", L"", L"c"}}};  // the separator ending an item is not in the run
  for (const auto& [text, separators, count, expected] : cases) {
    StringList items{L"kept"};
    tokenize(items, text, separators, count);
    EXPECT_EQ(items, expected) << testing::PrintToString(std::wstring(text));
  }
}

TEST(StringLists, DeleteOrReplaceTheFirstMatchOrRaiseAndLeaveTheList) {
  // {list, item, replacement (null: delete), the list after, the failure's origin or none}
  const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*> cases[] = {
      {L"a;b;c", L"c", nullptr, L"a;b", nullptr}, {L"a;b;c", L"a", nullptr, L"b;c", nullptr}, {L"a", L"a", nullptr, L"", nullptr},
      {L"x;a;x", L"x", nullptr, L"a;x", nullptr}, {L"a;b;c", L"B", nullptr, L"a;b;c", L"Dravo::delFromStrList"},
      {L"ab;c", L"a", nullptr, L"ab;c", L"Dravo::delFromStrList"}, {L"", L"", nullptr, L"", L"Dravo::delFromStrList"},
      {L"a;x", L"a", L"long", L"long;x", nullptr}, {L"long;x", L"lon", L"y", L"long;x", L"Dravo::replaceInStrList"}};
  for (const auto& [before, item, replacement, after, origin] : cases) {
    std::wstring list = before;
    const std::wstring failure = raised([&] { replacement ? replaceInStrList(list, item, replacement) : delFromStrList(list, item); });
    EXPECT_EQ(failure, origin ? L"Run-Time error: List does not contain " + std::wstring(item) + L" item @ " + origin : L"<no failure>");
    EXPECT_EQ(list, after);
  }
}

}  // namespace
