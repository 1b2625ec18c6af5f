#include <gtest/gtest.h>

#include "caught.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"

namespace {

TEST(PathHelpers, BackslashTrimNameAndParent) {
  EXPECT_EQ(withBackslash(L"C:\\a"), L"C:\\a\\");
  EXPECT_EQ(withBackslash(L"C:\\a\\"), L"C:\\a\\");
  EXPECT_EQ(withBackslash(L"a/"), L"a/\\") << "only a backslash counts";
  EXPECT_EQ(withBackslash(L""), L"\\");
  EXPECT_EQ(trimRight(L"\\a\\b\\/\\", L"\\/"), L"\\a\\b");
  EXPECT_EQ(trimLeft(L"/\\a\\b\\", L"\\/"), L"a\\b\\");
  EXPECT_EQ(trimRight(L"\\/\\", L"\\/"), L"");
  EXPECT_EQ(trimLeft(L"", L"\\/"), L"");
  EXPECT_EQ(trimRight(L"abc", L""), L"abc");
  EXPECT_EQ(fileNamePart(L"C:\\a\\b.txt"), L"b.txt");
  EXPECT_EQ(fileNamePart(L"b.txt"), L"b.txt");
  EXPECT_EQ(parentDir(L"C:\\a\\b.txt"), L"C:\\a");
  EXPECT_EQ(parentDir(L"C:\\a"), L"C:\\");
  EXPECT_EQ(parentDir(L"C:\\"), L"C:\\") << "a root is its own parent";
  EXPECT_EQ(parentDir(L"name"), L"");
  EXPECT_EQ(parentDir(L""), L"");
}

TEST(VFileNameCombine, SeparatorsAtTheSeamDoNotMatter) {
  const std::wstring expected = L"C:\\dir\\name.txt";
  EXPECT_EQ(VFileName::combine(L"C:\\dir", L"name.txt"), expected);
  EXPECT_EQ(VFileName::combine(L"C:\\dir\\", L"\\name.txt"), expected);
  EXPECT_EQ(VFileName::combine(L"C:\\dir\\\\/", L"/\\name.txt"), expected);
  EXPECT_EQ(VFileName::combine(L"C:\\dir", L"sub\\name.txt"), L"C:\\dir\\sub\\name.txt");
}

TEST(VFileNameCombine, ResultsBeyond260CharactersAreRefusedNamingTheArgumentsAsPassed) {
  const std::wstring dir = L"C:\\" + std::wstring(250, L'd') + L"\\";
  const std::wstring name = L"\\a-name-too-long.txt";
  EXPECT_EQ(failureText([&] { VFileName::combine(dir, name); }), L"Run-Time error: PathCombine failed for dir " + dir +
                                                                     L" and fileName " + name +
                                                                     L"\n   at (VFileName::combine line 97)");
  const std::wstring fits = std::wstring(L"C:\\") + std::wstring(240, L'd');
  EXPECT_EQ(VFileName::combine(fits, L"f.txt").size(), fits.size() + 6);
}

}  // namespace
