#include <gtest/gtest.h>

#include "listfiles/rbl_file.h"
#include "platform/scratch_dir.h"

// An unread file object replacing the content: ListFileSettings.DnsBlackListsReplaceTheFileThenReload.

namespace {

using namespace Dravo;

TEST(RblLineGrammar, PartsAreRecognisedAndWrittenBackBadFlagsRejected) {
  const std::tuple<std::string, RblEntry, std::string> lines[] = {
      {"1:bl.example,1;a note", {true, L"bl.example", true, L"a note"}, "1:bl.example,1;a note"},
      {"0:bl.example;note", {false, L"bl.example", false, L"note"}, "bl.example;note"},
      {"bl.example", {false, L"bl.example", false, L""}, "bl.example"}};
  for (const auto& [line, entry, written] : lines) {
    RblEntry read;
    EXPECT_TRUE(parseRblLine(line, read)) << line;
    EXPECT_EQ(read, entry) << line;
    EXPECT_EQ(formatRblLine(read), written);
  }
  RblEntry entry;
  for (const std::string line : {"bl.example,2", "bl.example,", "2:bl.example", "x:bl.example"}) {
    EXPECT_FALSE(parseRblLine(line, entry)) << line;
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
  EXPECT_EQ(ScratchDir::content(rbl.path()), "one.example\r\n1:hidden.example,1;note\r\ntwo.example,1\r\none.example\r\n");
}

}  // namespace
