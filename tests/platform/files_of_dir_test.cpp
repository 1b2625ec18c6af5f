#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/files_of_dir.h"
#include "caught.h"
#include "scratch_dir.h"

namespace {

using Paths = std::list<std::wstring>;

class FilesOfDir : public ::testing::Test {
 protected:
  ScratchDir scratch;
};

TEST_F(FilesOfDir, NoMatchesAddNothingAndKeepWhatTheListHeld) {
  const std::wstring empty = scratch.dir(L"empty");
  Paths out{L"kept"};
  filesOfDir(out, empty, listFiles | listDirectories | listRecursive, L"*.*");
  filesOfDir(out, empty + L"\\", listFiles, L"*.txt");
  scratch.file(L"empty\\a.log");
  filesOfDir(out, empty, listFiles | listRecursive, L"*.txt");
  EXPECT_EQ(out, Paths{L"kept"});
}

TEST_F(FilesOfDir, AMissingFolderRaisesNamingIt) {
  const std::wstring missing = scratch / L"missing";
  Paths out;
  EXPECT_EQ(failureText<VPathNotFoundException>([&] { filesOfDir(out, missing, listFiles, L"*.*"); }),
            osText(3, L"Enum files in directory " + missing + L"") + L"\n   at (filesOfDir line 878)");
  EXPECT_THROW(filesOfDir(out, missing + L"\\", listRecursive, L"*.*"), VPathNotFoundException);
  EXPECT_TRUE(out.empty());
  // A file taken for a folder: the system's error.
  const std::wstring file = scratch.file(L"plain.txt");
  const auto e = caught<vosexception>([&] { filesOfDir(out, file, listFiles, L"*"); });
  ASSERT_TRUE(e);
  EXPECT_EQ(fullText(*e), osText(e->code(), L"Enum files in directory " + file) + L"\n   at (filesOfDir line 880)");
}

class NestedFilesOfDir : public FilesOfDir {
 protected:
  void SetUp() override {
    for (const wchar_t* file :
         {L"b.txt", L"a.txt", L"top.log", L"d1\\x.txt", L"d1\\d1a\\y.txt", L"d1\\d1a\\y.log", L"d2\\z.txt"}) {
      scratch.file(std::wstring(L"root\\") + file);
    }
  }
  std::wstring root = scratch / L"root";
  std::wstring at(const std::wstring& relative) const { return root + L"\\" + relative; }
  static Paths list(const std::wstring& directory, unsigned flags, const std::wstring& pattern) {
    Paths out;
    filesOfDir(out, directory, flags, pattern);
    return out;
  }
};

TEST_F(NestedFilesOfDir, OwnMatchesFirstThenEachSubfolderDepthFirst) {
  EXPECT_EQ(list(root, listFiles | listRecursive, L"*.txt"),
            (Paths{at(L"a.txt"), at(L"b.txt"), at(L"d1\\x.txt"), at(L"d1\\d1a\\y.txt"), at(L"d2\\z.txt")}));
  // Folders alone leave out files and the dot entries.
  EXPECT_EQ(list(root + L"\\", listDirectories | listRecursive, L"*.*"), (Paths{at(L"d1"), at(L"d2"), at(L"d1\\d1a")}));
  // Without recursion only the folder itself is listed.
  EXPECT_EQ(list(root, listFiles | listDirectories, L"*"),
            (Paths{at(L"a.txt"), at(L"b.txt"), at(L"d1"), at(L"d2"), at(L"top.log")}));
  EXPECT_TRUE(list(root, listRecursive, L"*.*").empty()) << "recursion alone adds nothing";
}

}  // namespace
