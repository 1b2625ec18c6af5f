#include <gtest/gtest.h>

#include <set>

#include "caught.h"
#include "platform/exceptions.h"
#include "platform/file_finder.h"
#include "scratch_dir.h"

namespace {

TEST(VFileFinder, WalksEveryEntryThenKeepsReportingTheEnd) {
  ScratchDir scratch;
  scratch.file(L"one.txt");
  scratch.file(L"two.txt");
  scratch.dir(L"sub");
  VFileFinder finder;
  std::set<std::wstring> names, directories;
  for (bool found = finder.first(scratch / L"*"); found; found = finder.next()) {
    names.insert(finder.name());
    if (finder.isDirectory() && !finder.isDotEntry()) directories.insert(finder.name());
  }
  EXPECT_EQ(names, (std::set<std::wstring>{L".", L"..", L"one.txt", L"sub", L"two.txt"}));
  EXPECT_EQ(directories, (std::set<std::wstring>{L"sub"}));
  EXPECT_EQ(finder.name(), L"") << "the record is cleared at the end";
  EXPECT_FALSE(finder.next());
  EXPECT_FALSE(finder.next());
  finder.close();
  EXPECT_FALSE(finder.isOpen());
}

TEST(VFileFinder, NothingToFindIsNoError) {
  ScratchDir scratch;
  VFileFinder finder;
  EXPECT_FALSE(finder.first(scratch / L"*.none"));
  EXPECT_FALSE(finder.first(scratch / L"missing\\*"));
  EXPECT_FALSE(finder.next()) << "no enumeration is open";
  finder.close();
}

TEST(VFileFinder, OtherFailuresRaiseNamingThePattern) {
  ScratchDir scratch;
  const std::wstring pattern = scratch.file(L"plain.txt") + L"\\*";  // a file taken for a folder
  VFileFinder finder;
  const auto e = caught<vosexception>([&] { finder.first(pattern); });
  ASSERT_TRUE(e);
  EXPECT_EQ(fullText(*e),
            osText(e->code(), L"FindFirstFile(" + pattern + L")") + L"\n   at (VFileFinder::first line 162)");
}

}  // namespace
