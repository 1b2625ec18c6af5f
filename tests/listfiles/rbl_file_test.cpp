#include <gtest/gtest.h>

#include "listfiles/rbl_file.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;

RblEntry parsed(const std::string& line, bool& ok) {
  RblEntry entry;
  ok = parseRblLine(line, entry);
  return entry;
}

TEST(RblLineGrammar, AllPartsAreRecognised) {
  bool ok = false;
  const RblEntry full = parsed("1:bl.example,1;a note", ok);
  ASSERT_TRUE(ok);
  EXPECT_TRUE(full.prefixFlag);
  EXPECT_EQ(full.server, L"bl.example");
  EXPECT_TRUE(full.suffixFlag);
  EXPECT_EQ(full.tail, L"a note");
  EXPECT_EQ(formatRblLine(full), "1:bl.example,1;a note");

  const RblEntry noted = parsed("0:bl.example;note", ok);
  ASSERT_TRUE(ok);
  EXPECT_FALSE(noted.prefixFlag);
  EXPECT_EQ(noted.server, L"bl.example");
  EXPECT_EQ(noted.tail, L"note");
  EXPECT_EQ(formatRblLine(noted), "bl.example;note");

  const RblEntry plain = parsed("bl.example", ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(plain, (RblEntry{false, L"bl.example", false, L""}));
}

TEST(RblLineGrammar, BadFlagsAreRejected) {
  for (const std::string line : {"bl.example,2", "bl.example,", "2:bl.example", "x:bl.example"}) {
    bool ok = true;
    parsed(line, ok);
    EXPECT_FALSE(ok) << line;
  }
}

TEST(RblFile, ServersSkipsPrefixedEntriesAndDropsBadLines) {
  ScratchDir dir;
  dir.file(L"rbl.dat", "one.example\r\n1:hidden.example,1;note\r\nbad.example,0\r\ntwo.example,1\r\none.example\r\n");
  DravoRblFile rbl(dir.path() + L"\\", true);
  StringList servers{L"earlier"};
  rbl.servers(servers);
  EXPECT_EQ(servers, (StringList{L"earlier", L"one.example", L"two.example", L"one.example"}));
  rbl.save();
  EXPECT_EQ(ScratchDir::content(rbl.path()),
            "one.example\r\n1:hidden.example,1;note\r\ntwo.example,1\r\none.example\r\n");
}

TEST(RblFile, UnreadObjectReplacesTheContent) {
  ScratchDir dir;
  dir.file(L"rbl.dat", "old.example\r\n");
  DravoRblFile rbl(dir.path() + L"\\", false);
  EXPECT_TRUE(rbl.entries.empty());
  rbl.addServer(L"new.example");
  rbl.safeSave();
  EXPECT_EQ(ScratchDir::content(rbl.path()), "new.example\r\n");
}

}  // namespace
