// Each step of a safe save made to fail in turn, for each list file and a mailing list's
// member file: the text names the failing step, and the file keeps its old content (the new
// one where the write had succeeded); a temporary copy stays behind only where it holds the
// old content that could not go back. A save that fails nothing leaves no copy either.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>

#include "listfiles/filter_file.h"
#include "listfiles/rbl_file.h"
#include "listfiles/relaying_file.h"
#include "mailobjects/list_members_file.h"
#include "platform/caught.h"
#include "platform/import_fault.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;
using PathFault = ImportFault<BOOL, const wchar_t*>;
using MoveFault = ImportFault<BOOL, const wchar_t*, const wchar_t*>;
using FolderFault = ImportFault<BOOL, const wchar_t*, SECURITY_ATTRIBUTES*>;

struct Kind {
  const wchar_t* name;
  std::string before, after;
  bool makesFolder;
  std::function<std::function<void()>(const std::wstring& folder)> change;  // reads and changes; gives the save
};

const Kind kinds[] = {
    {L"filter.dat", "0:old.example\r\n", "0:old.example\r\n0:new.example\r\n", true, [](const std::wstring& folder) {
       auto file = std::make_shared<DravoFilterFile>(folder);
       return file->addRestrictedDomain(L"new.example"), [file] { file->safeSave(); };
     }},
    {L"rbl.dat", "rbl.old.example,1;note\r\n", "rbl.old.example,1;note\r\nrbl.new.example\r\n", true, [](const std::wstring& folder) {
       auto file = std::make_shared<DravoRblFile>(folder, true);
       return file->addServer(L"rbl.new.example"), [file] { file->safeSave(); };
     }},
    {L"relay.dat", "10.0.4-7.* //vanto-ip-range: 10.0.4.0/22\r\n",
     "10.0.4-7.* //vanto-ip-range: 10.0.4.0/22\r\n192.0.2.7 //vanto-ip-range: 192.0.2.7/32\r\n", true, [](const std::wstring& folder) {
       auto file = std::make_shared<DravoRelayingFile>(folder);
       return file->addIP(L"192.0.2.7", 32), [file] { file->safeSave(); };
     }},
    {L"news.txt", "a@x.org\r\n", "a@x.org\r\nb@x.org\r\n", false, [](const std::wstring& folder) {
       return [path = folder + L"news.txt"] { writeMemberFile(path, "a@x.org\r\nb@x.org\r\n"); };
     }},
};

// One save: the file in a folder of its own, and a temporary folder of its own (TMP and TEMP
// point there while it lives) in which the copies are counted.
struct Scene {
  Scene(const Kind& kind, bool existing) : kind(kind), folder(dir.dir(L"conf")), path(folder + L"\\" + kind.name) {
    if (existing) dir.file(L"conf\\" + std::wstring(kind.name), kind.before);
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, temp.c_str());
  }
  ~Scene() {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) SetEnvironmentVariableW(name, nullptr);
  }
  const Kind& kind;
  ScratchDir dir;
  const std::wstring temp = dir.dir(L"temp"), folder, path;
};

struct Fault {
  const char* step;
  bool existing;                                       // the file is there before the save
  std::function<std::shared_ptr<void>(Scene&)> arm;    // what breaks the step, held during the save
  std::function<std::wstring(const Scene&)> text;      // the failure's full text
  const char* left;                                    // the file afterwards: "before", "after" or "<missing>"
  bool copyKept;
};

std::wstring diskFull(const Scene& s) { return osText(ERROR_DISK_FULL, L"Write to file '" + s.path + L"'") + at("VFile::write", 113); }

const Fault faults[] = {
    {"nothing fails", true, [](Scene&) { return nullptr; }, [](const Scene&) { return std::wstring(L"<no failure>"); }, "after", false},
    {"no temporary folder", true, [](Scene& s) { return std::filesystem::remove_all(s.temp), nullptr; },
     [](const Scene& s) { return osText(ERROR_DIRECTORY, L"GetTempFileName in " + s.temp + L"\\") + at("tempFileName", 174); }, "before", false},
    {"copy: the file held without sharing", true,
     [](Scene& s) { return std::make_shared<FileHandle>(CreateFileW(s.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)); },
     [](const Scene& s) { return osText(ERROR_SHARING_VIOLATION, L"copy file " + s.path + L" to " + s.temp + L"\\tmp*.tmp") + at("copyFile", 116); },
     "before", false},
    // A reader that shares the file only with readers: the write, and the removal that would put the copy back, are refused.
    {"the file held by a reader", true,
     [](Scene& s) { return std::make_shared<FileHandle>(CreateFileW(s.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)); },
     [](const Scene& s) { return osText(ERROR_SHARING_VIOLATION, L"Open file '" + s.path + L"'") + at("VFile::open", 87); }, "before", true},
    {"a folder where the file was", true,
     [](Scene& s) { return std::filesystem::remove(s.path), std::filesystem::create_directories(s.path + L"\\inside"), nullptr; },
     [](const Scene& s) {
       EXPECT_TRUE(ScratchDir::exists(s.path + L"\\inside")) << "the folder is left as it was";
       return osText(ERROR_ACCESS_DENIED, L"copy file " + s.path + L" to " + s.temp + L"\\tmp*.tmp") + at("copyFile", 116);
     },
     "<missing>", false},
    // A member file's folder is the domain's, which the server makes: it is not made here.
    {"missing folder cannot be made", false,
     [](Scene& s) {
       std::filesystem::remove_all(s.folder);
       return std::make_shared<FolderFault>("kernel32.dll", "CreateDirectoryW", FolderFault::failNth(1, FALSE, ERROR_ACCESS_DENIED));
     },
     [](const Scene& s) {
       return s.kind.makesFolder ? osText(ERROR_ACCESS_DENIED, L"Create the directory '" + s.folder + L"'") + at("makeDir", 57)
                                 : osText(ERROR_PATH_NOT_FOUND, L"Open file '" + s.path + L"'") + at("VFile::open", 87);
     },
     "<missing>", false},
    {"write fails part way", true, [](Scene&) { return std::make_shared<WriteFault>("kernel32.dll", "WriteFile", shortWrites(true)); },
     diskFull, "before", false},
    {"write takes fewer bytes", true, [](Scene&) { return std::make_shared<WriteFault>("kernel32.dll", "WriteFile", shortWrites(false)); },
     [](const Scene& s) {
       return L"Run-Time error: Unable to write " + std::to_wstring(s.kind.after.size()) + L" bytes into file " + s.path + at("VFile::write", 115);
     },
     "before", false},
    {"write fails and the copy cannot go back", true,
     [](Scene&) {
       struct Both {
         WriteFault write{"kernel32.dll", "WriteFile", shortWrites(true)};
         MoveFault move{"kernel32.dll", "MoveFileW", MoveFault::failNth(1, FALSE, ERROR_ACCESS_DENIED)};
       };
       return std::make_shared<Both>();
     },
     diskFull, "<missing>", true},
    // The new content is in place: a copy left over in the temporary folder fails nothing.
    {"copy cannot be removed after the write", true,
     [](Scene& s) {
       return std::make_shared<PathFault>("kernel32.dll", "DeleteFileW", [temp = s.temp](const wchar_t* path) -> std::optional<BOOL> {
         if (std::wstring(path).rfind(temp, 0) != 0) return std::nullopt;
         SetLastError(ERROR_ACCESS_DENIED);
         return FALSE;
       });
     },
     [](const Scene&) { return std::wstring(L"<no failure>"); }, "after", true},
};

TEST(ListFileFaultSweep, EachStepOfASafeSaveFailsInTurn) {
  for (const Kind& kind : kinds) {
    for (const Fault& fault : faults) {
      SCOPED_TRACE(testing::PrintToString(kind.name) + ": " + fault.step);
      Scene scene(kind, fault.existing);
      const std::function<void()> save = kind.change(scene.folder + L"\\");
      std::wstring text;
      {
        const std::shared_ptr<void> armed = fault.arm(scene);
        text = std::regex_replace(failureText(save), std::wregex(L"tmp[0-9A-Fa-f]+\\.tmp"), L"tmp*.tmp");
      }
      EXPECT_EQ(text, fault.text(scene));
      const std::string left = fault.left == std::string("before") ? kind.before : fault.left == std::string("after") ? kind.after : fault.left;
      EXPECT_EQ(ScratchDir::content(scene.path), left);
      const std::vector<std::wstring> copies = ScratchDir::tree(scene.temp);
      ASSERT_EQ(copies.size(), fault.copyKept ? 1u : 0u);
      if (fault.copyKept) {
        EXPECT_EQ(ScratchDir::content(scene.temp + L"\\" + copies[0]), kind.before) << "the copy holds the old content";
      }
    }
  }
}

}  // namespace
