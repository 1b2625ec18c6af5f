#include "framework/json.h"

#include <gtest/gtest.h>

#include "mailmgr/json_reader.h"

namespace mailmgr {
namespace {

TEST(JsonQuote, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(jsonQuote(L"plain"), "\"plain\"");
  EXPECT_EQ(jsonQuote(L"a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(jsonQuote(L"\n\r\t\b\f"), "\"\\n\\r\\t\\b\\f\"");
  EXPECT_EQ(jsonQuote(std::wstring(L"\x01\x1f", 2)), "\"\\u0001\\u001f\"");
  EXPECT_EQ(jsonQuote(std::wstring(1, L'\0')), "\"\\u0000\"");
  EXPECT_EQ(jsonQuote(L"\x7f"), "\"\\u007f\"");
}

TEST(JsonQuote, WritesEverythingBeyondAsciiAsEscapes) {
  EXPECT_EQ(jsonQuote(L"b\u00fccher"), "\"b\\u00fccher\"");
  EXPECT_EQ(jsonQuote(L"\u4e2d"), "\"\\u4e2d\"");
  // A character beyond the 16-bit range stays the surrogate pair that JSON spells.
  EXPECT_EQ(jsonQuote(L"\U0001F600"), "\"\\ud83d\\ude00\"");
}

TEST(Json, DumpKeepsMemberOrderAndIndents) {
  Json value = Json::object();
  value.set(L"name", L"example.com").set(L"limit", 104857600).set(L"enabled", true).set(L"catchAll", Json());
  EXPECT_EQ(value.dump(),
            "{\n  \"name\": \"example.com\",\n  \"limit\": 104857600,\n  \"enabled\": true,\n  \"catchAll\": null\n}");
}

TEST(Json, ArraysOfPlainValuesStayOnOneLine) {
  Json codes = Json::array();
  codes.push(0).push(19).push(-1);
  EXPECT_EQ(codes.dump(), "[0, 19, -1]");
  Json rows = Json::array();
  rows.push(Json::object().set(L"code", 1)).push(Json::array());
  EXPECT_EQ(rows.dump(), "[\n  {\n    \"code\": 1\n  },\n  []\n]");
  EXPECT_EQ(Json::object().dump(), "{}");
}

TEST(Json, SettingAMemberAgainReplacesIt) {
  Json value = Json::object();
  value.set(L"a", 1).set(L"a", 2);
  EXPECT_EQ(value.dump(), "{\n  \"a\": 2\n}");
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
