#include <gtest/gtest.h>

#include "listfiles/filter_file.h"
#include "platform/scratch_dir.h"
#include "platform/strings.h"

// Safe saves that succeed or fail step by step: ListFileFaultSweep.

namespace {

using namespace Dravo;

TEST(ListFileReading, MissingFileGivesNoEntriesAndSaveMakesTheFolder) {
  ScratchDir dir;
  DravoFilterFile filter(dir.path() + L"\\deeper\\still\\");
  EXPECT_TRUE(filter.isEmpty());
  filter.addRestrictedDomain(L"x.example");
  filter.safeSave();
  EXPECT_EQ(ScratchDir::content(dir / L"deeper\\still\\filter.dat"), "0:x.example\r\n");
}

// Lines are split at CR and LF alone too, empty lines go, and a file of several megabytes is
// read whole (more than a megabyte); text outside ASCII passes through the ANSI code page and back unchanged.
TEST(ListFileReading, LongFilesAndTextOutsideAsciiComeBackAsTheyWere) {
  ScratchDir dir;
  std::string text = "0:first.example\r\r\n2:b\xfc" "cher.example\n\n";
  for (int i = 0; i < 60000; ++i) text += "0:domain" + std::to_string(i) + ".example\r\n";
  text += "0:last.example";
  dir.file(L"filter.dat", text);
  DravoFilterFile filter(dir.path() + L"\\");
  StringList domains;
  filter.restrictedDomains(domains);
  ASSERT_EQ(domains.size(), 60003u);
  EXPECT_EQ(domains.front(), L"first.example");
  EXPECT_EQ(*std::next(domains.begin()), toWide("b\xfc" "cher.example", CP_ACP));
  EXPECT_EQ(domains.back(), L"last.example");
  filter.safeSave();
  const std::string saved = ScratchDir::content(dir / L"filter.dat");
  EXPECT_EQ(saved.substr(0, 35), "0:first.example\r\n2:b\xfc" "cher.example\r\n");
  EXPECT_EQ(saved.size(), text.size() - 1 + 2);  // CR CR LF is one line end, the last line gains one
}

}  // namespace
