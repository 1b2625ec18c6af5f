#include "framework/json.h"

#include <gtest/gtest.h>

#include "mailmgr/json_reader.h"

namespace mailmgr {
namespace {

TEST(JsonQuote, EscapesControlsQuotesAndEverythingBeyondAscii) {
  EXPECT_EQ(jsonQuote(L"a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(jsonQuote(L"\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
  EXPECT_EQ(jsonQuote(std::wstring(L"\x01\x1f\x7f\0", 4)), "\"\\u0001\\u001f\\u007f\\u0000\"");
  EXPECT_EQ(jsonQuote(L"b\u00fccher\u4e2d"), "\"b\\u00fccher\\u4e2d\"");
  // A character beyond the 16-bit range stays the surrogate pair that JSON spells.
  EXPECT_EQ(jsonQuote(L"\U0001F600"), "\"\\ud83d\\ude00\"");
}

TEST(Json, DumpKeepsMemberOrderIndentsAndReplacesAgainSetMembers) {
  Json value = Json::object();
  value.set(L"name", L"example.com").set(L"limit", 104857600).set(L"enabled", false).set(L"catchAll", Json());
  value.set(L"enabled", true);
  EXPECT_EQ(value.dump(),
            "{\n  \"name\": \"example.com\",\n  \"limit\": 104857600,\n  \"enabled\": true,\n  \"catchAll\": null\n}");
  Json rows = Json::array();
  rows.push(Json::array().push(0).push(19).push(-1)).push(Json::object().set(L"code", 1)).push(Json::object());
  EXPECT_EQ(rows.dump(), "[\n  [0, 19, -1],\n  {\n    \"code\": 1\n  },\n  {}\n]");
}

TEST(Json, EveryStringReadsBackUnchanged) {
  std::wstring all;
  for (wchar_t c = 0; c < 0x300; ++c) all += c;
  all += L"\U0001F600\uFFFF";  // a pair and the last code unit
  all += static_cast<wchar_t>(0xD800);  // a lone surrogate
  Json value = Json::object();
  value.set(all, Json::array().push(all));
  const JsonNode read = parseJson(value.dump());
  ASSERT_EQ(read.members.size(), 1u);
  EXPECT_EQ(read.members[0].first, all);
  EXPECT_EQ(read.members[0].second[0].string, all);
}

}  // namespace
}  // namespace mailmgr
