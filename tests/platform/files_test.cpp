#include "caught.h"
#include "platform/directories.h"
#include "platform/file_finder.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/files_of_dir.h"
#include "platform/strings.h"
#include "platform/system_paths.h"
#include "platform/vfile.h"
#include "scratch_dir.h"

namespace {

using Tree = std::vector<std::wstring>;

class Files : public ::testing::Test {
 protected:
  static std::wstring readOnly(const std::wstring& path) {
    EXPECT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    return path;
  }
  ScratchDir scratch;
};

TEST_F(Files, FinderFilesOfDirRemoveFileCopyAndRenameListRefuseAndRaiseAsTheyShould) {
  scratch.file(L"one.txt");
  VFileFinder finder;
  EXPECT_TRUE(finder.first(scratch / L"*") && !finder.first(scratch / L"*.none") && !finder.first(scratch / L"no\\*"));
  EXPECT_FALSE(finder.next() || finder.next()) << "an enumeration that found nothing stays at its end";
  const std::wstring pattern = scratch / L"one.txt\\*";  // other failures raise naming the pattern
  expectOsError([&] { finder.first(pattern); }, 0, L"FindFirstFile(" + pattern + L")", at("VFileFinder::first", 162));
  // filesOfDir lists its own matches first, then each subfolder depth first, after what the list held.
  for (const wchar_t* file : {L"b.txt", L"a.txt", L"top.log", L"d1\\x.txt", L"d1\\d1a\\y.txt", L"d2\\z.txt"})
    scratch.file(std::wstring(L"root\\") + file);
  const std::wstring root = scratch / L"root";
  const auto list = [&](const std::wstring& directory, unsigned flags, const std::wstring& pattern) {
    std::list<std::wstring> out{L"kept"};
    filesOfDir(out, directory, flags, pattern);
    std::wstring names;
    for (const std::wstring& path : out) names += (path.rfind(root, 0) == 0 ? path.substr(root.size() + 1) : path) + L" ";
    return names;
  };
  EXPECT_EQ(list(root, listFiles | listRecursive, L"*.txt"), L"kept a.txt b.txt d1\\x.txt d1\\d1a\\y.txt d2\\z.txt ");
  EXPECT_EQ(list(root + L"\\", listDirectories | listRecursive, L"*.*"), L"kept d1 d2 d1\\d1a ") << "no dot entries";
  EXPECT_EQ(list(root, listFiles | listDirectories, L"*"), L"kept a.txt b.txt d1 d2 top.log ");
  EXPECT_EQ(list(root, listRecursive, L"*.*"), L"kept ") << "recursion alone adds nothing";
  const std::wstring missing = scratch / L"missing", file = scratch.file(L"plain.txt");
  std::list<std::wstring> out;
  expectOsError<VPathNotFoundException>([&] { filesOfDir(out, missing, listFiles, L"*.*"); }, 3,
                                        L"Enum files in directory " + missing, at("filesOfDir", 878));
  expectOsError([&] { filesOfDir(out, file, listFiles, L"*"); }, 0, L"Enum files in directory " + file,
                at("filesOfDir", 880));
  EXPECT_TRUE(out.empty());
  // removeFile takes a missing file for done; a read-only one needs force.
  removeFile(scratch / L"missing.txt", false);
  const std::wstring path = readOnly(scratch.file(L"readonly.txt")), where = L"DeleteFile '" + path + L"'";
  expectOsError<VAccessDeniedException>([&] { removeFile(path, false); }, 5, where, at("removeFile", 512));
  {
    const VFile held(path, GENERIC_READ, 0, OPEN_EXISTING);  // the forced retry fails from its own site
    expectOsError<VSharingViolationException>([&] { removeFile(path, true); }, 32, where, at("removeFile", 516));
  }
  EXPECT_TRUE(ScratchDir::exists(path));
  removeFile(path, true);
  EXPECT_FALSE(ScratchDir::exists(path));
  // Copying refuses an existing target when asked to; renaming never replaces.
  const std::wstring source = scratch.file(L"a.txt", "first"), target = scratch.file(L"b.txt", "second");
  expectOsError<VFileExistsException>([&] { copyFile(source, target, true); }, 80,
                                      L"copy file " + source + L" to " + target, at("copyFile", 116));
  expectOsError<VAlreadyExistsException>([&] { renameFile(source, target); }, 183,
                                         L"rename file " + source + L" to " + target, at("renameFile", 111));
  EXPECT_EQ(ScratchDir::content(target), "second");
  copyFile(source, target, false);
  EXPECT_EQ(ScratchDir::content(target), "first");
}

TEST_F(Files, MakeDirsMakesEveryMissingLevelMakeDirRefusesAnExistingOneRemoveDirNeedsForceForReadOnlyFiles) {
  makeDirs(scratch / L"a\\b\\c");
  makeDirs(scratch / L"a\\b\\c");
  makeDirs(scratch / L"a\\d\\");
  EXPECT_EQ(ScratchDir::tree(scratch.path()), (Tree{L"a\\", L"a\\b\\", L"a\\b\\c\\", L"a\\d\\"}));
  EXPECT_THROW(makeDirs(L"Q:\\nowhere\\deeper"), vosexception) << "a missing root raises instead of climbing forever";
  EXPECT_THROW(makeDirs(L""), vosexception);
  expectOsError<VAlreadyExistsException>([&] { makeDir(scratch / L"a"); }, 183,
                                         L"Create the directory '" + scratch / L"a" + L"'", at("makeDir", 57));
  EXPECT_THROW(makeDir(scratch / L"no\\parent"), VPathNotFoundException);
  // removeDir stops at read-only files unless forced.
  const std::wstring root = scratch.dir(L"tree"), locked = readOnly(scratch.file(L"tree\\sub\\readonly.txt"));
  expectOsError<VAccessDeniedException>([&] { removeDir(root, false); }, 5, L"delete file " + locked,
                                        at("removeDir", 186));
  EXPECT_TRUE(ScratchDir::exists(locked));
  readOnly(scratch / L"tree\\sub");  // with force the whole tree goes, read-only entries included
  removeDir(root, true);
  EXPECT_FALSE(ScratchDir::exists(root));
  expectOsError([&] { removeDir(root, false); }, 0, L"delete directory " + root, at("removeDir", 200));
}

TEST_F(Files, VFileReadsBackAcrossChunksReopensSizesPast32BitsAndRaisesWithItsSitesAsDoTempFilesAndModules) {
  const std::wstring path = scratch / L"data.bin";
  std::string bytes(3000, '\0'), read = "left over";
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 256);
  EXPECT_EQ(VFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS).write(bytes.data(), DWORD(bytes.size())), bytes.size());
  VFile file(path, GENERIC_READ, 0, OPEN_EXISTING);
  file.open(path, GENERIC_READ, 0, OPEN_EXISTING);  // would be a sharing violation otherwise
  file.readAll(read);
  EXPECT_EQ(read, bytes);
  EXPECT_EQ(file.read(read.data(), 1), 0u) << "at the end of the file";
  file.open(path, GENERIC_WRITE, 0, OPEN_EXISTING);
  const LARGE_INTEGER end{{5, 1}};
  ASSERT_TRUE(SetFilePointerEx(file.handle(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.handle()));
  file.close();
  EXPECT_EQ(fileSize(path), 0x100000005ULL);
  // Missing files and the wrong access raise with their sites.
  const std::wstring missing = scratch / L"missing.txt";
  expectOsError<VFileNotFoundException>([&] { VFile other(missing, GENERIC_READ, 0, OPEN_EXISTING); }, 2,
                                        L"Open file '" + missing + L"'", at("VFile::open", 87));
  expectOsError<VFileNotFoundException>([&] { fileSize(missing); }, 2, L"Get file size for file " + missing,
                                        at("fileSize", 149));
  char buffer[4];
  expectOsError([&] { VFile(path, GENERIC_WRITE, 0, OPEN_EXISTING).read(buffer, sizeof buffer); }, 0,
                L"Read from file '" + path + L"'", at("VFile::read", 95));
  // A failed write and tempFileName are pinned by ListFileFaultSweep. tempFileName makes a new
  // file with the prefix each time; system paths raise naming the call.
  expectOsError([] { moduleName(reinterpret_cast<HMODULE>(std::uintptr_t{0x10})); }, 0, L"GetModuleFileName",
                at("moduleName", 182));
  const std::wstring first = tempFileName(L"dvt", scratch.path()), second = tempFileName(L"dvt", scratch.path());
  EXPECT_TRUE(equalsNoCase(parentDir(first), scratch.path()) && fileNamePart(first).rfind(L"dvt", 0) == 0) << first;
  EXPECT_EQ(ScratchDir::tree(scratch.path()).size(), 3u) << "data.bin, and each name taken by creating the file";
}

}  // namespace
