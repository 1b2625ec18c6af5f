#include <gtest/gtest.h>

#include "caught.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/strings.h"
#include "platform/system_paths.h"
#include "scratch_dir.h"

namespace {

TEST(ModuleName, NullIsTheProgramAHandleThatModuleAndNoModuleRaises) {
  EXPECT_TRUE(equalsNoCase(fileNamePart(moduleName(nullptr)), L"platform_tests.exe")) << moduleName(nullptr);
  EXPECT_TRUE(equalsNoCase(fileNamePart(moduleName(GetModuleHandleW(L"kernel32"))), L"kernel32.dll"));
  const auto e = caught<vosexception>([] { moduleName(reinterpret_cast<HMODULE>(std::uintptr_t{0x10})); });
  ASSERT_TRUE(e);
  EXPECT_EQ(fullText(*e), osText(e->code(), L"GetModuleFileName") + L"\n   at (moduleName line 182)");
}

TEST(CurrentDirectory, ReadsWhatWasSet) {
  ScratchDir scratch;
  const std::wstring before = VDirectory::current();
  ASSERT_TRUE(SetCurrentDirectoryW(scratch.path().c_str()));
  const std::wstring now = VDirectory::current();
  SetCurrentDirectoryW(before.c_str());
  EXPECT_TRUE(equalsNoCase(now, scratch.path())) << now;
}

TEST(TempPath, IsAnExistingFolderEndingInABackslash) {
  const std::wstring path = tempPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.back(), L'\\');
  const DWORD attributes = GetFileAttributesW(path.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
}

TEST(TempFileName, MakesANewFileWithThePrefixEachTimeOrRaisesNamingTheFolder) {
  ScratchDir scratch;
  const std::wstring first = tempFileName(L"dvt", scratch.path());
  const std::wstring second = tempFileName(L"dvt", scratch.path());
  EXPECT_NE(first, second);
  EXPECT_TRUE(equalsNoCase(parentDir(first), scratch.path()));
  EXPECT_EQ(fileNamePart(first).rfind(L"dvt", 0), 0u);
  EXPECT_TRUE(ScratchDir::exists(first)) << "the name is taken by creating the file";
  EXPECT_TRUE(ScratchDir::exists(second));

  const std::wstring missing = scratch / L"missing";
  const auto e = caught<vosexception>([&] { tempFileName(L"dvt", missing); });
  ASSERT_TRUE(e);
  EXPECT_EQ(fullText(*e), osText(e->code(), L"GetTempFileName in " + missing) + L"\n   at (tempFileName line 174)");
}

}  // namespace
