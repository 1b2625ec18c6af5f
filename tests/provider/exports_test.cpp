#include <windows.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/owner.h"

namespace {

// Reads the names of a PE file's export table, for both PE32 and PE32+ images.
std::set<std::string> exportedNames(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (image.size() < sizeof(IMAGE_DOS_HEADER)) throw std::runtime_error("cannot read " + path);
  const auto at = [&](std::size_t offset) { return image.data() + offset; };
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(at(0));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(at(dos->e_lfanew));
  const bool plus = nt->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC;
  const IMAGE_DATA_DIRECTORY directory =
      plus ? reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT]
           : nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
      at(dos->e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader));
  const auto fileOffset = [&](DWORD rva) -> std::size_t {
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
      const auto& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) return rva - s.VirtualAddress + s.PointerToRawData;
    }
    throw std::runtime_error("address outside every section");
  };
  std::set<std::string> names;
  if (directory.VirtualAddress == 0) return names;
  const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(at(fileOffset(directory.VirtualAddress)));
  const auto* nameTable = reinterpret_cast<const DWORD*>(at(fileOffset(exports->AddressOfNames)));
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) names.insert(at(fileOffset(nameTable[i])));
  return names;
}

const std::set<std::string> expected = {"VantoPackageInfo", "getVexilorProviderInstance",
                                        "m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22"};

TEST(Exports, TestedBuildExportsExactlyTheThreeNamesUndecorated) {
  Library module(LoadLibraryW(L"dravoprovider.dll"));
  ASSERT_TRUE(module);
  char path[MAX_PATH];
  EXPECT_EQ(exportedNames(std::string(path, GetModuleFileNameA(module.get(), path, MAX_PATH))), expected);
  auto* variable = reinterpret_cast<void**>(
      GetProcAddress(module.get(), "m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22"));
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(*variable, nullptr) << "the data export is the pointer variable, unused so far";
}

TEST(Exports, DeliverableBuildExportsExactlyTheThreeNamesUndecorated) {
  const std::string path = std::string("Z:") + I686_MODULE_PATH;
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no i686 build at " << path;
  EXPECT_EQ(exportedNames(path), expected);
}

}  // namespace
