#include <gtest/gtest.h>

#include "listfiles/filter_file.h"
#include "platform/exceptions.h"
#include "platform/scratch_dir.h"
#include "platform/strings.h"

namespace {

using namespace Dravo;

// Temporary copies that safeSave would leave behind carry the prefix "tmp".
std::vector<std::wstring> tempCopies() {
  std::vector<std::wstring> names;
  wchar_t temp[MAX_PATH + 1] = {};
  WIN32_FIND_DATAW data;
  const FindHandle find(FindFirstFileW((std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"tmp*.tmp").c_str(), &data));
  for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &data)) names.push_back(data.cFileName);
  return names;
}

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

// The process's temporary folder is one of the test's own while it runs, so that the copies
// of tests running beside it do not count.
class PrivateTemp {
 public:
  explicit PrivateTemp(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, folder.c_str());
  }
  ~PrivateTemp() {
    for (const auto& [name, value] : saved_) SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
  }

 private:
  static std::wstring read(const wchar_t* name) {
    wchar_t value[MAX_PATH + 1] = {};
    return std::wstring(value, GetEnvironmentVariableW(name, value, MAX_PATH + 1) > MAX_PATH ? 0 : wcslen(value));
  }
  const std::pair<const wchar_t*, std::wstring> saved_[2] = {{L"TMP", read(L"TMP")}, {L"TEMP", read(L"TEMP")}};
};

// A save that succeeds replaces the content; one that fails keeps the old file. Neither
// leaves a temporary copy, unless the copy could not be put back.
class SafeSave : public ::testing::Test {
 protected:
  void SetUp() override { filter.addRestrictedDomain(L"new.example"); }
  void TearDown() override { EXPECT_EQ(tempCopies(), before); }
  ScratchDir dir;
  const PrivateTemp temp{dir.dir(L"temp")};
  const std::wstring path = dir.file(L"filter.dat", "0:old.example\r\n");
  const std::vector<std::wstring> before = tempCopies();
  DravoFilterFile filter{dir.path() + L"\\"};
};

TEST_F(SafeSave, SuccessReplacesContent) {
  filter.safeSave();
  EXPECT_EQ(ScratchDir::content(path), "0:old.example\r\n0:new.example\r\n");
}

// A reader that shares the file only with other readers: the copy is made, the write and the
// removal that would put the copy back are refused.
TEST_F(SafeSave, TargetHeldByAReaderKeepsOldContentAndTheCopyThatCouldNotGoBack) {
  FileHandle lock(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(lock);
  EXPECT_THROW(filter.safeSave(), vosexception);
  lock.reset();
  EXPECT_EQ(ScratchDir::content(path), "0:old.example\r\n");
  std::vector<std::wstring> copies = tempCopies();
  ASSERT_EQ(copies.size(), before.size() + 1) << "the target could not be removed to put the copy back";
  const std::wstring copy = dir / (L"temp\\" + copies.back());
  EXPECT_EQ(ScratchDir::content(copy), "0:old.example\r\n");
  DeleteFileW(copy.c_str());
}

TEST_F(SafeSave, TargetMadeADirectoryFails) {
  DeleteFileW(path.c_str());
  dir.dir(L"filter.dat\\inside");
  EXPECT_THROW(filter.safeSave(), vexception);
  EXPECT_TRUE(ScratchDir::exists(dir / L"filter.dat\\inside"));
}

}  // namespace
