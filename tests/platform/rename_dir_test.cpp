#include "caught.h"
#include "import_patch.h"
#include "platform/rename_dir.h"
#include "platform/vfile.h"
#include "scratch_dir.h"
#include "thread_token.h"

namespace {

using Tree = std::vector<std::wstring>;

// While it lives: the folders this program removes and the enumerations it closes, in order.
class RemovalsAndCloses {
 public:
  RemovalsAndCloses() {
    calls.clear();
    realRemove = reinterpret_cast<decltype(realRemove)>(
        patchImport("kernel32.dll", "RemoveDirectoryW", reinterpret_cast<void*>(&removed)));
    realClose = reinterpret_cast<decltype(realClose)>(
        patchImport("kernel32.dll", "FindClose", reinterpret_cast<void*>(&closed)));
  }
  ~RemovalsAndCloses() {
    patchImport("kernel32.dll", "RemoveDirectoryW", reinterpret_cast<void*>(realRemove));
    patchImport("kernel32.dll", "FindClose", reinterpret_cast<void*>(realClose));
  }
  static inline std::vector<std::wstring> calls;

 private:
  static BOOL WINAPI removed(const wchar_t* path) { return calls.push_back(path), realRemove(path); }
  static BOOL WINAPI closed(HANDLE find) { return calls.push_back(L"FindClose"), realClose(find); }
  static inline decltype(&RemoveDirectoryW) realRemove = nullptr;
  static inline decltype(&FindClose) realClose = nullptr;
};

class RenameDir : public ::testing::Test {
 protected:
  void SetUp() override { fill(); }
  void fill() {
    for (const auto& [name, content] : {std::pair{L"a.txt", "A"}, {L"b.txt", "B"}, {L"sub\\c.txt", "C"},
                                        {L"sub\\deeper\\d.txt", "D"}})
      scratch.file(std::wstring(L"source\\") + name, content);
  }
  static std::wstring context(const std::wstring& from, const std::wstring& to) {
    return L"\n   at RenameDir('" + from + L"', '" + to + L"')(renameDir line 865)";
  }
  // Refused: the source is left as it was.
  void expectRefused(const std::wstring& target, bool replace, const std::wstring& text) {
    EXPECT_EQ(failureText([&] { renameDir(source, target, replace); }), text + context(source, target));
    EXPECT_EQ(ScratchDir::tree(source), sourceTree);
  }

  const Tree sourceTree{L"a.txt", L"b.txt", L"sub\\", L"sub\\c.txt", L"sub\\deeper\\", L"sub\\deeper\\d.txt"};
  ScratchDir scratch;
  const std::wstring source = scratch / L"source";
};

TEST_F(RenameDir, MovesPlainlyIntoAnExistingFolderOrIntoItsOwnSubfolder) {
  const std::wstring free = scratch / L"free", existing = scratch / L"existing";
  renameDir(source, free, false);
  EXPECT_TRUE(!ScratchDir::exists(source) && ScratchDir::tree(free) == sourceTree);
  EXPECT_EQ(ScratchDir::content(free + L"\\sub\\deeper\\d.txt"), "D");
  // Replacing an existing folder moves every entry into it; the emptied source is removed
  // before the walk over its entries is closed.
  fill();
  scratch.file(L"existing\\keep.txt", "K");
  {
    const RemovalsAndCloses order;
    renameDir(source, existing, true);
    ASSERT_GE(order.calls.size(), 2u);
    EXPECT_EQ(Tree(order.calls.end() - 2, order.calls.end()), (Tree{source, L"FindClose"}));
  }
  EXPECT_FALSE(ScratchDir::exists(source));
  EXPECT_EQ(ScratchDir::tree(existing), (Tree{L"a.txt", L"b.txt", L"keep.txt", L"sub\\", L"sub\\c.txt", L"sub\\deeper\\",
                                              L"sub\\deeper\\d.txt"}));
  // Into its own subfolder: all but that subfolder moves and the source stays.
  fill();
  renameDir(source, source + L"\\sub\\inner", false);
  EXPECT_EQ(ScratchDir::tree(source), (Tree{L"sub\\", L"sub\\c.txt", L"sub\\deeper\\", L"sub\\deeper\\d.txt",
                                            L"sub\\inner\\", L"sub\\inner\\a.txt", L"sub\\inner\\b.txt"}));
}

// Every refusal and every failure part way leaves the source as it was.
TEST_F(RenameDir, RefusalsAndFailuresRollEverythingBack) {
  const std::wstring taken = scratch.dir(L"taken"), file = scratch.file(L"file", "file"), inner = scratch / L"inner";
  expectRefused(taken, false, L"Run-Time error: Directory " + taken + L" already exists" + at("renameDir", 809));
  {
    // An existing file is refused even with replace; held, the system could not replace it either.
    const VFile held(file, GENERIC_READ, 0, OPEN_EXISTING);
    expectRefused(file, true, L"Run-Time error: File " + file + L" already exists" + at("renameDir", 811));
  }
  // The inner move, made without replace, is refused and both moves are named.
  scratch.dir(L"inner\\sub");
  expectRefused(inner, true, L"Run-Time error: Directory " + inner + L"\\sub already exists" + at("renameDir", 809) +
                                 context(source + L"\\sub", inner + L"\\sub"));
  EXPECT_EQ(ScratchDir::tree(inner), Tree{L"sub\\"});
  {
    ThreadWithoutPrivilege restricted(L"SeSecurityPrivilege");  // the copy needs it
    expectRefused(taken, true, osText(1300, L"AdjustTokenPrivileges") + at("setPrivilege", 762));
  }
  // A file in use, last in the order of the walk, fails once everything else has moved.
  const std::wstring target = scratch / L"target", busy = scratch.file(L"source\\z_busy.txt");
  scratch.file(L"target\\keep.txt", "K");
  const VFile held(busy, GENERIC_READ, 0, OPEN_EXISTING);
  EXPECT_EQ(failureText([&] { renameDir(source, target, true); }),
            osText(32, L"rename file " + busy + L" to " + target + L"\\z_busy.txt") + at("renameFile", 111) +
                context(source, target));
  EXPECT_EQ(ScratchDir::tree(source), (Tree{L"a.txt", L"b.txt", L"sub\\", L"sub\\c.txt", L"sub\\deeper\\",
                                            L"sub\\deeper\\d.txt", L"z_busy.txt"}));
  EXPECT_EQ(ScratchDir::tree(target), Tree{L"keep.txt"});
}

}  // namespace
