#pragma once
// A folder under the temporary directory that one test owns, removed with it, and small
// helpers to fill and inspect it without going through the code under test.

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/owner.h"

class ScratchDir {
 public:
  ScratchDir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    // Numbered, so that two scratch folders of one test (the test's and a helper's) differ.
    static int made = 0;
    const std::string unique = std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++made);
    path_ = (std::filesystem::temp_directory_path() / ("dravo_" + name + "_" + unique)).wstring();
    wipe(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~ScratchDir() { wipe(path_); }
  ScratchDir(const ScratchDir&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

  // Makes the file (and the folders above it) with the given content.
  std::wstring file(const std::wstring& relative, const std::string& content = "x") const {
    const std::filesystem::path full = *this / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary);
    EXPECT_TRUE(out.write(content.data(), static_cast<std::streamsize>(content.size())).flush()) << "cannot make it";
    return full.wstring();
  }
  std::wstring dir(const std::wstring& relative) const {
    std::filesystem::create_directories(*this / relative);
    return *this / relative;
  }

  // Every entry below `root`, as paths relative to it, sorted; folders end in "\".
  static std::vector<std::wstring> tree(const std::wstring& root) {
    std::vector<std::wstring> out;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error))
      out.push_back(entry.path().lexically_relative(root).wstring() + (entry.is_directory() ? L"\\" : L""));
    std::sort(out.begin(), out.end());
    return out;
  }

  static bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

  static std::string content(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
  }

 private:
  // Removes a tree whatever its attributes.
  static void wipe(const std::wstring& path) {
    std::error_code error;
    for (const std::wstring& entry : tree(path))
      SetFileAttributesW((path + L"\\" + entry).c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path, error);
  }

  std::wstring path_;
};
