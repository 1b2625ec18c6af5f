// Every system call of a move by copying made to fail in turn (the nth call of each, for
// every n a move makes): a move that fails names the failing step and the move, and leaves
// both folders as they were; a failure the move tolerates leaves the move done.

#include <algorithm>
#include <functional>
#include <memory>

#include <aclapi.h>

#include "caught.h"
#include "import_fault.h"
#include "platform/rename_dir.h"
#include "scratch_dir.h"

namespace {

using Snapshot = std::vector<std::wstring>;
using PathFault = ImportFault<BOOL, const wchar_t*>;
using MoveFault = ImportFault<BOOL, const wchar_t*, const wchar_t*>;
using MoveExFault = ImportFault<BOOL, const wchar_t*, const wchar_t*, DWORD>;
using FolderFault = ImportFault<BOOL, const wchar_t*, SECURITY_ATTRIBUTES*>;
using NextFault = ImportFault<BOOL, HANDLE, WIN32_FIND_DATAW*>;
using FirstFault = ImportFault<HANDLE, const wchar_t*, WIN32_FIND_DATAW*>;
using CloseFault = ImportFault<BOOL, HANDLE>;
using SecurityFault = ImportFault<BOOL, const wchar_t*, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR>;
using NamedSecurityFault =
    ImportFault<DWORD, const wchar_t*, SE_OBJECT_TYPE, SECURITY_INFORMATION, PSID*, PSID*, PACL*, PACL*, PSECURITY_DESCRIPTOR*>;

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

Snapshot both(Snapshot one, const Snapshot& other) {
  one.insert(one.end(), other.begin(), other.end());
  std::sort(one.begin(), one.end());
  return one;
}

// One system call to break: the failing call's where-text, and how to arm its nth call (0: none, only counted).
struct Step {
  const wchar_t* where;
  std::function<std::shared_ptr<void>(int nth)> arm;
  int (*calls)();
};

template <class Fault, class R>
Step step(const wchar_t* where, const char* dll, const char* function, R failure) {
  return {where, [=](int nth) { return std::make_shared<Fault>(dll, function, Fault::failNth(nth, failure, ERROR_ACCESS_DENIED)); },
          &Fault::calls};
}

const Step steps[] = {
    step<NamedSecurityFault>(L"GetNamedSecurityInfo(", "advapi32.dll", "GetNamedSecurityInfoW", DWORD{ERROR_ACCESS_DENIED}),
    step<SecurityFault>(L"SetFileSecurity(", "advapi32.dll", "SetFileSecurityW", FALSE),
    step<FolderFault>(L"Create the directory '", "kernel32.dll", "CreateDirectoryW", FALSE),
    step<FirstFault>(L"FindFirstFile(", "kernel32.dll", "FindFirstFileW", INVALID_HANDLE_VALUE),
    step<NextFault>(L"FindNextFile", "kernel32.dll", "FindNextFileW", FALSE),
    step<MoveFault>(L"rename file ", "kernel32.dll", "MoveFileW", FALSE),
    step<CloseFault>(L"FindClose", "kernel32.dll", "FindClose", FALSE),
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

class RenameDirFaultSweep : public ::testing::Test {
 protected:
  void fill() {
    for (const auto& [name, content] : {std::pair{L"a.txt", "A"}, {L"b.txt", "B"}, {L"sub\\c.txt", "C"}, {L"sub\\deeper\\d.txt", "D"}})
      scratch.file(std::wstring(L"source\\") + name, content);
  }
  // The move as it fails on another volume: the plain move is refused, also for the folders inside.
  std::wstring moveByCopy(bool replace) {
    const MoveExFault otherVolume("kernel32.dll", "MoveFileExW", MoveExFault::failNth(1, FALSE, ERROR_NOT_SAME_DEVICE,
                                                                                  [](auto...) { return true; }));
    return failureText([&] { renameDir(source, target, replace); });
  }
  std::wstring context() const { return L"\n   at RenameDir('" + source + L"', '" + target + L"')(renameDir line 865)"; }

  ScratchDir scratch;
  const std::wstring source = scratch / L"source", target = scratch / L"target";
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
          EXPECT_EQ(text.substr(text.size() - std::min(text.size(), context().size())), context());
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
  fill();
  const Snapshot before = snapshot(source);
  std::wstring text;
  {
    const MoveFault secondMoveAndEveryMoveBack("kernel32.dll", "MoveFileW",
        MoveFault::failNth(2, FALSE, ERROR_ACCESS_DENIED, [&](const wchar_t* from, const wchar_t*) { return std::wstring(from).rfind(target, 0) == 0; }));
    text = moveByCopy(false);
  }
  EXPECT_NE(text.find(L"rename file " + source), std::wstring::npos) << text;
  EXPECT_EQ(both(snapshot(source), snapshot(target)), before);
  EXPECT_EQ(snapshot(target).size(), 1u) << "the one file moved before the failure";
}

}  // namespace
