#include "framework/table.h"

#include <gtest/gtest.h>

namespace mailmgr {
namespace {

using Lines = std::vector<std::wstring>;

TEST(Table, AlignsColumnsTwoSpacesApartWithoutTrailingBlanks) {
  Table table({L"CODE", L"SUPPORTED"}, {Table::Align::right, Table::Align::left});
  table.add({L"0", L"yes"});
  table.add({L"19", L""});
  table.add({L"1000", L"no"});
  EXPECT_EQ(table.lines(), (Lines{L"CODE  SUPPORTED", L"   0  yes", L"  19", L"1000  no"}));
}

TEST(Table, WithoutHeadersOnlyTheRowsArePrinted) {
  Table table({});
  table.add({L"Product:", L"Dravo Mail Server"});
  table.add({L"Provider revision:", L"1"});
  EXPECT_EQ(table.lines(), (Lines{L"Product:            Dravo Mail Server", L"Provider revision:  1"}));
  EXPECT_TRUE(Table({}).lines().empty());
}

TEST(Table, MeasuresTextAsATerminalShowsIt) {
  Table table({});
  table.add({L"b\u00fccher", L"|"});             // one column per letter
  table.add({L"bu\u0308cher", L"|"});            // a combining mark adds none
  table.add({L"\U0001F600\U0001F600\U0001F600x", L"|"});  // a surrogate pair is one character
  table.add({L"\u4e2d\u6587", L"|"});            // wide characters take two columns each
  EXPECT_EQ(table.lines(), (Lines{L"b\u00fccher  |", L"bu\u0308cher  |", L"\U0001F600\U0001F600\U0001F600x    |",
                                  L"\u4e2d\u6587    |"}));
}

}  // namespace
}  // namespace mailmgr
