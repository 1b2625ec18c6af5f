#include <gtest/gtest.h>

#include "listfiles/filter_file.h"
#include "platform/exceptions.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;

// Temporary copies that safeSave would leave behind carry the prefix "tmp".
std::vector<std::wstring> tempCopies() {
  std::vector<std::wstring> names;
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  WIN32_FIND_DATAW data;
  const HANDLE find = FindFirstFileW((std::wstring(temp) + L"tmp*.tmp").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(data.cFileName);
  while (FindNextFileW(find, &data));
  FindClose(find);
  return names;
}

TEST(ListFileReading, SplitsAtEveryLineEndAndDropsEmptyPieces) {
  ScratchDir dir;
  dir.file(L"filter.dat", "a.example\r\n\r\nb.example\rc.example\nd.example");
  DravoFilterFile filter(dir.path() + L"\\");
  StringList listed;
  filter.restrictedDomains(listed);
  EXPECT_EQ(listed, (StringList{L"a.example", L"b.example", L"c.example", L"d.example"}));
}

TEST(ListFileReading, MissingFileGivesNoEntriesAndSaveMakesTheFolder) {
  ScratchDir dir;
  DravoFilterFile filter(dir.path() + L"\\deeper\\still\\");
  EXPECT_TRUE(filter.isEmpty());
  filter.addRestrictedDomain(L"x.example");
  filter.safeSave();
  EXPECT_EQ(ScratchDir::content(dir / L"deeper\\still\\filter.dat"), "0:x.example\r\n");
}

TEST(ListFileReading, AnsiTextRoundTrips) {
  ScratchDir dir;
  const std::string line = "0:caf\xE9.example\r\n";
  dir.file(L"filter.dat", line);
  DravoFilterFile filter(dir.path() + L"\\");
  ASSERT_EQ(filter.entries.size(), 1u);
  EXPECT_EQ(filter.entries[0].value, L"caf\u00e9.example");
  filter.save();
  EXPECT_EQ(ScratchDir::content(filter.path()), line);
}

class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.file(L"filter.dat", oldContent);
    before = tempCopies();
  }
  ScratchDir dir;
  const std::string oldContent = "0:old.example\r\n";
  std::vector<std::wstring> before;
};

TEST_F(SafeSave, SuccessReplacesContentAndLeavesNoCopy) {
  DravoFilterFile filter(dir.path() + L"\\");
  filter.addRestrictedDomain(L"new.example");
  filter.safeSave();
  EXPECT_EQ(ScratchDir::content(filter.path()), "0:old.example\r\n0:new.example\r\n");
  EXPECT_EQ(tempCopies(), before);
}

TEST_F(SafeSave, TargetLockedByAnotherHandleKeepsOldContentAndNoCopy) {
  const std::wstring path = dir / L"filter.dat";
  DravoFilterFile filter(dir.path() + L"\\");
  filter.addRestrictedDomain(L"new.example");
  const HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_THROW(filter.safeSave(), vosexception);
  CloseHandle(lock);
  EXPECT_EQ(ScratchDir::content(path), oldContent);
  EXPECT_EQ(tempCopies(), before);
}

TEST_F(SafeSave, TargetMadeADirectoryFailsAndLeavesNoCopy) {
  DravoFilterFile filter(dir.path() + L"\\");
  filter.addRestrictedDomain(L"new.example");
  const std::wstring path = dir / L"filter.dat";
  DeleteFileW(path.c_str());
  dir.dir(L"filter.dat\\inside");
  EXPECT_THROW(filter.safeSave(), vexception);
  EXPECT_TRUE(ScratchDir::exists(dir / L"filter.dat\\inside"));
  EXPECT_EQ(tempCopies(), before);
}

}  // namespace
