#include <gtest/gtest.h>

#include "platform/directories.h"
#include "platform/exceptions.h"
#include "caught.h"
#include "scratch_dir.h"

namespace {

void makeReadOnly(const std::wstring& path) { ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY)); }

TEST(MakeDirs, MakesEveryMissingLevelAndAcceptsExistingOnes) {
  ScratchDir scratch;
  makeDirs(scratch / L"a\\b\\c");
  EXPECT_EQ(ScratchDir::tree(scratch.path()), (std::vector<std::wstring>{L"a\\", L"a\\b\\", L"a\\b\\c\\"}));
  makeDirs(scratch / L"a\\b\\c");
  makeDirs(scratch / L"a\\d\\");
  EXPECT_EQ(ScratchDir::tree(scratch.path()), (std::vector<std::wstring>{L"a\\", L"a\\b\\", L"a\\b\\c\\", L"a\\d\\"}));
  // A root that does not exist raises instead of climbing forever.
  EXPECT_THROW(makeDirs(L"Q:\\nowhere\\deeper"), vosexception);
  EXPECT_THROW(makeDirs(L""), vosexception);
}

TEST(MakeDir, AnExistingFolderRaisesAlreadyExistsNamingIt) {
  ScratchDir scratch;
  const std::wstring path = scratch.dir(L"there");
  EXPECT_EQ(failureText<VAlreadyExistsException>([&] { makeDir(path); }),
            osText(183, L"Create the directory '" + path + L"'") + L"\n   at (makeDir line 57)");
  EXPECT_THROW(makeDir(scratch / L"no\\parent"), VPathNotFoundException);
}

TEST(RemoveDir, AReadOnlyFileStopsItUnlessForced) {
  ScratchDir scratch;
  const std::wstring root = scratch.dir(L"tree");
  scratch.file(L"tree\\sub\\plain.txt");
  const std::wstring locked = scratch.file(L"tree\\sub\\readonly.txt");
  makeReadOnly(locked);
  EXPECT_EQ(failureText<VAccessDeniedException>([&] { removeDir(root, false); }),
            osText(5, L"delete file " + locked) + L"\n   at (removeDir line 186)");
  EXPECT_TRUE(ScratchDir::exists(locked));

  // With force the whole tree goes, read-only entries included.
  makeReadOnly(scratch.file(L"tree\\top.txt"));
  makeReadOnly(scratch.file(L"tree\\sub\\deep\\readonly.txt"));
  scratch.file(L"tree\\sub\\plain.txt");
  makeReadOnly(scratch / L"tree\\sub\\deep");
  removeDir(root, true);
  EXPECT_FALSE(ScratchDir::exists(root));
  EXPECT_TRUE(ScratchDir::exists(scratch.path()));
}

TEST(RemoveDir, AFileInUseOrAMissingFolderRaises) {
  ScratchDir scratch;
  const std::wstring root = scratch.dir(L"tree");
  const std::wstring busy = scratch.file(L"tree\\busy.txt");
  LockedFile held(busy);
  EXPECT_EQ(failureText<VSharingViolationException>([&] { removeDir(root, true); }),
            osText(32, L"delete file " + busy) + L"\n   at (removeDir line 186)");
  const std::wstring missing = scratch / L"missing";
  const auto e = caught<vosexception>([&] { removeDir(missing, false); });
  ASSERT_TRUE(e);
  EXPECT_EQ(fullText(*e), osText(e->code(), L"delete directory " + missing) + L"\n   at (removeDir line 200)");
}

}  // namespace
