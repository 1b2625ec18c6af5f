#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/file_operations.h"
#include "caught.h"
#include "scratch_dir.h"

namespace {

TEST(RemoveFile, AMissingFileIsNoErrorAReadOnlyOneNeedsForce) {
  ScratchDir scratch;
  removeFile(scratch / L"missing.txt", false);
  removeFile(scratch / L"missing.txt", true);
  const std::wstring path = scratch.file(L"readonly.txt");
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(failureText<VAccessDeniedException>([&] { removeFile(path, false); }),
            osText(5, L"DeleteFile '" + path + L"'") + L"\n   at (removeFile line 512)");
  EXPECT_TRUE(ScratchDir::exists(path));
  removeFile(path, true);
  EXPECT_FALSE(ScratchDir::exists(path));
}

TEST(RemoveFile, AFailedForcedRetryRaisesFromItsOwnSite) {
  ScratchDir scratch;
  const std::wstring path = scratch.file(L"busy.txt");
  LockedFile held(path);
  EXPECT_EQ(failureText<VSharingViolationException>([&] { removeFile(path, true); }),
            osText(32, L"DeleteFile '" + path + L"'") + L"\n   at (removeFile line 516)");
}

TEST(CopyFile, CopiesAndRefusesAnExistingTargetWhenAsked) {
  ScratchDir scratch;
  const std::wstring source = scratch.file(L"a.txt", "first");
  const std::wstring target = scratch.file(L"b.txt", "second");
  EXPECT_EQ(failureText<VFileExistsException>([&] { copyFile(source, target, true); }),
            osText(80, L"copy file " + source + L" to " + target) + L"\n   at (copyFile line 116)");
  EXPECT_EQ(ScratchDir::content(target), "second");
  copyFile(source, target, false);
  EXPECT_EQ(ScratchDir::content(target), "first");
  EXPECT_EQ(ScratchDir::content(source), "first");
}

TEST(RenameFile, MovesAndNeverReplaces) {
  ScratchDir scratch;
  const std::wstring source = scratch.file(L"a.txt", "first");
  const std::wstring target = scratch.file(L"b.txt", "second");
  EXPECT_EQ(failureText<VAlreadyExistsException>([&] { renameFile(source, target); }),
            osText(183, L"rename file " + source + L" to " + target) + L"\n   at (renameFile line 111)");
  const std::wstring moved = scratch / L"c.txt";
  renameFile(source, moved);
  EXPECT_FALSE(ScratchDir::exists(source));
  EXPECT_EQ(ScratchDir::content(moved), "first");
}

}  // namespace
