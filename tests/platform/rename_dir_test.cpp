// Moving a folder: every refusal and failure part way leaves the source as it was. The move
// to another volume copies; each of its system calls is made to fail in turn (the nth call of
// each, for every n a move makes): a move that fails names the failing step and the move and
// leaves both folders as they were; a failure the move tolerates leaves the move done.

#include <aclapi.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "caught.h"
#include "import_fault.h"
#include "platform/rename_dir.h"
#include "platform/vfile.h"
#include "scratch_dir.h"

namespace {

using Snapshot = std::vector<std::wstring>;
using PathFault = ImportFault<BOOL, const wchar_t*>;
using MoveFault = ImportFault<BOOL, const wchar_t*, const wchar_t*>;
using CloseFault = ImportFault<BOOL, HANDLE>;
using MoveExFault = ImportFault<BOOL, const wchar_t*, const wchar_t*, DWORD>;

// Every entry below root with the content of each file: "sub\c.txt=C", folders end in "\".
Snapshot snapshot(const std::wstring& root) {
  Snapshot entries = ScratchDir::tree(root);
  for (std::wstring& entry : entries)
    if (entry.back() != L'\\') {
      const std::string content = ScratchDir::content(root + L"\\" + entry);
      entry += L"=" + std::wstring(content.begin(), content.end());
    }
  return entries;
}

// Lets the calling thread act, while it lives, with a copy of the process token that lacks one privilege.
struct ThreadWithoutPrivilege {
  explicit ThreadWithoutPrivilege(const wchar_t* privilege) {
    KernelHandle process, restricted, impersonation;
    LUID_AND_ATTRIBUTES removed = {};
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()) &&
                LookupPrivilegeValueW(nullptr, privilege, &removed.Luid) &&
                CreateRestrictedToken(process.get(), 0, 0, nullptr, 1, &removed, 0, nullptr, restricted.put()) &&
                DuplicateTokenEx(restricted.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenImpersonation,
                                 impersonation.put()) &&
                SetThreadToken(nullptr, impersonation.get()));
  }
  ~ThreadWithoutPrivilege() { RevertToSelf(); }
};

Snapshot both(Snapshot one, const Snapshot& other) {
  one.insert(one.end(), other.begin(), other.end());
  std::sort(one.begin(), one.end());
  return one;
}

class RenameDir : public ::testing::Test {
 protected:
  void SetUp() override { fill(); }
  void fill() {
    for (const auto& [name, content] : {std::pair{L"a.txt", "A"}, {L"b.txt", "B"}, {L"sub\\c.txt", "C"}, {L"sub\\deeper\\d.txt", "D"}})
      scratch.file(std::wstring(L"source\\") + name, content);
  }
  static std::wstring context(const std::wstring& from, const std::wstring& to) {
    return L"\n   at RenameDir('" + from + L"', '" + to + L"')(renameDir line 865)";
  }
  // Refused: the source is left as it was.
  void expectRefused(const std::wstring& to, bool replace, const std::wstring& text) {
    EXPECT_EQ(failureText([&] { renameDir(source, to, replace); }), text + context(source, to));
    EXPECT_EQ(snapshot(source), filled);
  }
  // The move as it fails on another volume: the plain move is refused, also for the folders inside.
  std::wstring moveByCopy(bool replace) {
    const MoveExFault otherVolume("kernel32.dll", "MoveFileExW",
                                  MoveExFault::failNth(1, FALSE, ERROR_NOT_SAME_DEVICE, [](auto...) { return true; }));
    return failureText([&] { renameDir(source, target, replace); });
  }

  const Snapshot filled{L"a.txt=A", L"b.txt=B", L"sub\\", L"sub\\c.txt=C", L"sub\\deeper\\", L"sub\\deeper\\d.txt=D"};
  ScratchDir scratch;
  const std::wstring source = scratch / L"source", target = scratch / L"target";
};
using RenameDirFaultSweep = RenameDir;

TEST_F(RenameDir, MovesPlainlyIntoAnExistingFolderOrIntoItsOwnSubfolder) {
  renameDir(source, target, false);
  EXPECT_TRUE(!ScratchDir::exists(source) && snapshot(target) == filled);
  // Replacing an existing folder moves every entry into it; the emptied source is removed
  // before the walk over its entries is closed.
  fill();
  const std::wstring existing = scratch / L"existing";
  scratch.file(L"existing\\keep.txt", "K");
  Snapshot calls;
  {
    const PathFault removals("kernel32.dll", "RemoveDirectoryW", [&](const wchar_t* path) { return calls.push_back(path), std::optional<BOOL>(); });
    const CloseFault closes("kernel32.dll", "FindClose", [&](HANDLE) { return calls.push_back(L"FindClose"), std::optional<BOOL>(); });
    renameDir(source, existing, true);
  }
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(Snapshot(calls.end() - 2, calls.end()), (Snapshot{source, L"FindClose"}));
  EXPECT_FALSE(ScratchDir::exists(source));
  EXPECT_EQ(snapshot(existing), both(filled, {L"keep.txt=K"}));
  // Into its own subfolder: all but that subfolder moves and the source stays.
  fill();
  renameDir(source, source + L"\\sub\\inner", false);
  EXPECT_EQ(snapshot(source), (Snapshot{L"sub\\", L"sub\\c.txt=C", L"sub\\deeper\\", L"sub\\deeper\\d.txt=D", L"sub\\inner\\",
                                        L"sub\\inner\\a.txt=A", L"sub\\inner\\b.txt=B"}));
}

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
  EXPECT_EQ(ScratchDir::tree(inner), Snapshot{L"sub\\"});
  {
    ThreadWithoutPrivilege restricted(L"SeSecurityPrivilege");  // the copy needs it
    expectRefused(taken, true, osText(1300, L"AdjustTokenPrivileges") + at("setPrivilege", 762));
  }
  // A file in use, last in the order of the walk, fails once everything else has moved.
  const std::wstring busy = scratch.file(L"source\\z_busy.txt");
  scratch.file(L"target\\keep.txt", "K");
  {
    const VFile held(busy, GENERIC_READ, 0, OPEN_EXISTING);
    EXPECT_EQ(failureText([&] { renameDir(source, target, true); }),
              osText(32, L"rename file " + busy + L" to " + target + L"\\z_busy.txt") + at("renameFile", 111) + context(source, target));
  }
  EXPECT_EQ(snapshot(source), both(filled, {L"z_busy.txt=x"}));
  EXPECT_EQ(snapshot(target), Snapshot{L"keep.txt=K"});
}

// One system call to break: the failing call's where-text, and how to arm its nth call (0: none, only counted).
struct Step {
  const wchar_t* where;
  std::function<std::shared_ptr<void>(int nth)> arm;
  int (*calls)();
};

template <class R, class... A>
Step step(const wchar_t* where, const char* dll, const char* function, R failure) {
  using Fault = ImportFault<R, A...>;
  return {where, [=](int nth) { return std::make_shared<Fault>(dll, function, Fault::failNth(nth, failure, ERROR_ACCESS_DENIED)); },
          &Fault::calls};
}

const Step steps[] = {
    step<DWORD, const wchar_t*, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL*, PACL*, PSECURITY_DESCRIPTOR*>(
        L"GetNamedSecurityInfo(", "advapi32.dll", "GetNamedSecurityInfoW", ERROR_ACCESS_DENIED),
    step<BOOL, const wchar_t*, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR>(L"SetFileSecurity(", "advapi32.dll", "SetFileSecurityW", FALSE),
    step<BOOL, const wchar_t*, SECURITY_ATTRIBUTES*>(L"Create the directory '", "kernel32.dll", "CreateDirectoryW", FALSE),
    step<HANDLE, const wchar_t*, WIN32_FIND_DATAW*>(L"FindFirstFile(", "kernel32.dll", "FindFirstFileW", INVALID_HANDLE_VALUE),
    step<BOOL, HANDLE, WIN32_FIND_DATAW*>(L"FindNextFile", "kernel32.dll", "FindNextFileW", FALSE),
    step<BOOL, const wchar_t*, const wchar_t*>(L"rename file ", "kernel32.dll", "MoveFileW", FALSE),
    step<BOOL, HANDLE>(L"FindClose", "kernel32.dll", "FindClose", FALSE),
    // A folder that cannot be removed stays so: the forced removal tries it twice.
    {L"delete directory ", [](int nth) {
       auto stuck = std::make_shared<std::wstring>();
       return std::make_shared<PathFault>("kernel32.dll", "RemoveDirectoryW", [=](const wchar_t* path) -> std::optional<BOOL> {
         if (PathFault::calls() == nth) *stuck = path;
         if (stuck->empty() || *stuck != path) return std::nullopt;
         SetLastError(ERROR_ACCESS_DENIED);
         return FALSE;
       });
     },
     &PathFault::calls},
};

TEST_F(RenameDirFaultSweep, EachCallOfTheCopyFailsInTurn) {
  for (const Step& step : steps) {
    int made = 0;  // calls of the move that fails nothing, over both targets
    for (const bool existing : {false, true}) {
      for (int nth = 0, calls = 1; nth <= calls; ++nth) {
        SCOPED_TRACE(testing::PrintToString(step.where) + " call " + std::to_string(nth) + (existing ? " into an existing folder" : ""));
        fill();
        if (existing) scratch.file(L"target\\keep.txt", "K");
        const Snapshot sourceBefore = snapshot(source), targetBefore = snapshot(target);
        std::wstring text;
        {
          const std::shared_ptr<void> armed = step.arm(nth);
          text = moveByCopy(existing);
          if (nth == 0) made += calls = step.calls();
        }
        if (text == L"<no failure>") {
          EXPECT_FALSE(ScratchDir::exists(source));
          EXPECT_EQ(snapshot(target), both(sourceBefore, targetBefore));
        } else {
          EXPECT_NE(nth, 0) << text;
          EXPECT_NE(text.find(step.where), std::wstring::npos) << text;
          EXPECT_TRUE(text.ends_with(context(source, target))) << text;
          EXPECT_EQ(snapshot(source), sourceBefore);
          EXPECT_EQ(snapshot(target), targetBefore);
          EXPECT_EQ(ScratchDir::exists(target), existing);
        }
        std::filesystem::remove_all(source);
        std::filesystem::remove_all(target);
      }
    }
    EXPECT_GT(made, 0) << "the move makes no such call: " << testing::PrintToString(step.where);
  }
}

// A file that cannot go back keeps the target it was moved into: nothing is lost.
TEST_F(RenameDirFaultSweep, WhatCannotGoBackStaysInTheTarget) {
  std::wstring text;
  {
    const MoveFault secondMoveAndEveryMoveBack("kernel32.dll", "MoveFileW",
        MoveFault::failNth(2, FALSE, ERROR_ACCESS_DENIED, [&](const wchar_t* from, const wchar_t*) { return std::wstring(from).rfind(target, 0) == 0; }));
    text = moveByCopy(false);
  }
  EXPECT_NE(text.find(L"rename file " + source), std::wstring::npos) << text;
  EXPECT_EQ(both(snapshot(source), snapshot(target)), filled);
  EXPECT_EQ(snapshot(target).size(), 1u) << "the one file moved before the failure";
}

}  // namespace
