#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/file_finder.h"
#include "platform/rename_dir.h"
#include "caught.h"
#include "scratch_dir.h"
#include "thread_token.h"

namespace {

using Tree = std::vector<std::wstring>;

class RenameDir : public ::testing::Test {
 protected:
  // source: a.txt, b.txt, sub\c.txt, sub\deeper\d.txt
  void SetUp() override {
    scratch.file(L"source\\a.txt", "A");
    scratch.file(L"source\\b.txt", "B");
    scratch.file(L"source\\sub\\c.txt", "C");
    scratch.file(L"source\\sub\\deeper\\d.txt", "D");
  }
  const Tree sourceTree{L"a.txt", L"b.txt", L"sub\\", L"sub\\c.txt", L"sub\\deeper\\", L"sub\\deeper\\d.txt"};
  std::wstring context(const std::wstring& from, const std::wstring& to) const {
    return L"\n   at RenameDir('" + from + L"', '" + to + L"')(renameDir line 865)";
  }

  ScratchDir scratch;
  const std::wstring source = scratch / L"source";
  const std::wstring target = scratch / L"target";
};

TEST_F(RenameDir, APlainMoveWhenTheTargetIsFree) {
  renameDir(source, target, false);
  EXPECT_FALSE(ScratchDir::exists(source));
  EXPECT_EQ(ScratchDir::tree(target), sourceTree);
  EXPECT_EQ(ScratchDir::content(target + L"\\sub\\deeper\\d.txt"), "D");
}

TEST_F(RenameDir, ReplacingAnExistingFolderMovesEveryEntryIntoIt) {
  scratch.file(L"target\\keep.txt", "K");
  renameDir(source, target, true);
  EXPECT_FALSE(ScratchDir::exists(source));
  Tree expected = sourceTree;
  expected.insert(expected.begin() + 2, L"keep.txt");
  EXPECT_EQ(ScratchDir::tree(target), expected);
  EXPECT_EQ(ScratchDir::content(target + L"\\a.txt"), "A");
  EXPECT_EQ(ScratchDir::content(target + L"\\sub\\c.txt"), "C");
}

TEST_F(RenameDir, AnExistingFolderWithoutReplaceOrAFileIsRefused) {
  scratch.dir(L"target");
  EXPECT_EQ(failureText([&] { renameDir(source, target, false); }), L"Run-Time error: Directory " + target +
                                                                        L" already exists\n   at (renameDir line 809)" +
                                                                        context(source, target));
  EXPECT_EQ(ScratchDir::tree(source), sourceTree);
  // An existing file is refused even with replace.
  const std::wstring file = scratch.file(L"file", "file");
  LockedFile held(file);  // keeps the system from replacing it by itself
  EXPECT_EQ(failureText([&] { renameDir(source, file, true); }),
            L"Run-Time error: File " + file + L" already exists\n   at (renameDir line 811)" + context(source, file));
  EXPECT_EQ(ScratchDir::tree(source), sourceTree);
}

TEST_F(RenameDir, AFileInUseRollsEverythingBack) {
  scratch.file(L"target\\keep.txt", "K");
  const std::wstring busy = scratch.file(L"source\\z_busy.txt");
  Tree before = ScratchDir::tree(source);
  {
    // The busy file comes last, so everything else has been moved when it fails.
    VFileFinder finder;
    std::wstring last;
    for (bool found = finder.first(source + L"\\*.*"); found; found = finder.next()) last = finder.name();
    ASSERT_EQ(last, L"z_busy.txt");
  }
  LockedFile held(busy);
  EXPECT_EQ(failureText([&] { renameDir(source, target, true); }),
            osText(32, L"rename file " + busy + L" to " + target + L"\\z_busy.txt") + L"\n   at (renameFile line 111)" +
                context(source, target));
  EXPECT_EQ(ScratchDir::tree(source), before);
  EXPECT_EQ(ScratchDir::tree(target), Tree{L"keep.txt"});
}

TEST_F(RenameDir, AFailingSubfolderMoveRollsBackAndNamesBothMoves) {
  scratch.dir(L"target\\sub");  // the inner move, made without replace, is refused
  const std::wstring from = source + L"\\sub", to = target + L"\\sub";
  EXPECT_EQ(failureText([&] { renameDir(source, target, true); }), L"Run-Time error: Directory " + to +
                                                                       L" already exists\n   at (renameDir line 809)" +
                                                                       context(from, to) + context(source, target));
  EXPECT_EQ(ScratchDir::tree(source), sourceTree);
  EXPECT_EQ(ScratchDir::tree(target), Tree{L"sub\\"});
}

TEST_F(RenameDir, IntoItsOwnSubfolderMovesAllButThatSubfolderAndKeepsTheSource) {
  const std::wstring inner = source + L"\\sub\\inner";
  renameDir(source, inner, false);
  EXPECT_EQ(ScratchDir::tree(source), (Tree{L"sub\\", L"sub\\c.txt", L"sub\\deeper\\", L"sub\\deeper\\d.txt",
                                            L"sub\\inner\\", L"sub\\inner\\a.txt", L"sub\\inner\\b.txt"}));
}

TEST_F(RenameDir, TheCopyNeedsTheSecurityPrivilege) {
  scratch.dir(L"target");
  ThreadWithoutPrivilege restricted(L"SeSecurityPrivilege");
  EXPECT_EQ(failureText([&] { renameDir(source, target, true); }),
            osText(1300, L"AdjustTokenPrivileges") + L"\n   at (setPrivilege line 762)" + context(source, target));
  EXPECT_EQ(ScratchDir::tree(source), sourceTree);
}

}  // namespace
