#include "platform/rename_dir.h"

#include <windows.h>

#include <functional>
#include <vector>

#include "platform/context_handler.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/file_finder.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/file_security.h"
#include "platform/format.h"
#include "platform/owner.h"
#include "platform/privilege.h"
#include "platform/strings.h"

namespace {

constexpr wchar_t securityPrivilege[] = L"SeSecurityPrivilege";
constexpr SECURITY_INFORMATION fullSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION | SACL_SECURITY_INFORMATION;

bool isPrefixOf(const std::wstring& prefix, const std::wstring& path) {
  return prefix.size() <= path.size() && equalsNoCase(prefix, path.substr(0, prefix.size()));
}

// Makes `target` carry the security of `source`: a new folder gets the whole descriptor,
// an existing one its DACL. Returns true when the folder was made here.
bool prepareTarget(const std::wstring& source, const std::wstring& target, bool replace) {
  setPrivilege(securityPrivilege, true);
  bool made = false;
  try {
    LocalMemory descriptor;
    PSID owner = nullptr, group = nullptr;
    PACL dacl = nullptr, sacl = nullptr;
    getFileSecurityInfo(source, fullSecurity, &owner, &group, &dacl, &sacl, descriptor);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (!replace) throwRuntimeError(format(L"Directory %s already exists", target.c_str()), site("renameDir", 809));
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throwRuntimeError(format(L"File %s already exists", target.c_str()), site("renameDir", 811));
      }
      setFileAccess(target, DACL_SECURITY_INFORMATION, descriptor.get());
    } else {
      SECURITY_ATTRIBUTES security = {sizeof security, descriptor.get(), FALSE};
      makeDirs(target, &security);
      made = true;
    }
  } catch (...) {
    try {
      setPrivilege(securityPrivilege, false);
    } catch (...) {
      // the failure that brought us here is the one to report
    }
    throw;
  }
  setPrivilege(securityPrivilege, false);
  return made;
}

struct Moved {
  std::vector<std::wstring> files;
  std::vector<std::wstring> directories;
};

void moveEntries(const std::wstring& source, const std::wstring& target, Moved& moved) {
  VFileFinder finder;
  for (bool found = finder.first(VFileName::combine(source, L"*.*")); found; found = finder.next()) {
    if (finder.isDotEntry()) continue;
    const std::wstring name = finder.name();
    const std::wstring from = VFileName::combine(source, name);
    const std::wstring to = VFileName::combine(target, name);
    if (finder.isDirectory()) {
      if (isPrefixOf(from, target)) continue;  // the target lies inside it
      renameDir(from, to, false);
      moved.directories.push_back(name);
    } else {
      renameFile(from, to);
      moved.files.push_back(name);
    }
  }
  if (!isPrefixOf(source, target)) removeDir(source, true);
  finder.close();
}

// Puts back what was moved, as far as it goes; failures here are not reported. The source
// is made again when it was already removed. A target made here goes only when everything
// went back: what could not go back is nowhere else.
void rollBack(const std::wstring& source, const std::wstring& target, const Moved& moved, bool targetMade) {
  bool allBack = true;
  const auto back = [&](const std::function<void()>& move) {
    try {
      move();
    } catch (...) {
      allBack = false;
    }
  };
  if (!moved.files.empty() || !moved.directories.empty()) back([&] { makeDirs(source); });
  for (const std::wstring& name : moved.files)
    back([&] { renameFile(VFileName::combine(target, name), VFileName::combine(source, name)); });
  for (const std::wstring& name : moved.directories)
    back([&] { renameDir(VFileName::combine(target, name), VFileName::combine(source, name), false); });
  if (targetMade && allBack) {
    try {
      removeDir(target, true);
    } catch (...) {
    }
  }
}

void moveByCopy(const std::wstring& source, const std::wstring& target, bool replace) {
  const bool targetMade = prepareTarget(source, target, replace);
  Moved moved;
  try {
    moveEntries(source, target, moved);
  } catch (...) {
    rollBack(source, target, moved, targetMade);
    throw;
  }
}

}  // namespace

void renameDir(const std::wstring& source, const std::wstring& target, bool replace) {
  withContext(format(L"RenameDir('%s', '%s')", source.c_str(), target.c_str()), "renameDir", 865, [&] {
    if (MoveFileExW(source.c_str(), target.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return;
    moveByCopy(source, target, replace);
  });
}
