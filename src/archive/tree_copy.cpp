#include "archive/tree_copy.h"

#include <algorithm>
#include <cwctype>
#include <list>
#include <vector>

#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/files_of_dir.h"
#include "platform/strings.h"

namespace {

std::wstring normalized(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return trimRight(path, L"\\");
}

bool contains(const StringList& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The part before the first dot, without trailing blanks, is what names a device.
bool isDeviceName(const std::wstring& name) {
  std::wstring base = trimRight(name.substr(0, name.find(L'.')), L" ");
  std::transform(base.begin(), base.end(), base.begin(), [](wchar_t c) { return std::towupper(c); });
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"}) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) &&
         ((base[3] >= L'1' && base[3] <= L'9') || base[3] == L'\u00B9' || base[3] == L'\u00B2' || base[3] == L'\u00B3');
}

[[noreturn]] void refuse(const std::wstring& text, std::uint32_t line) { throwRuntimeError(text, site("copyTree", line)); }

// The copy as steps in order: a folder to make (no source) or a file to copy.
using Steps = std::vector<std::pair<std::wstring, std::wstring>>;

// Lists the tree and checks every entry before anything is copied.
void plan(const std::wstring& source, const std::wstring& target, const std::wstring& mask,
          const StringList& exclusions, Steps& steps) {
  // The folders already in the target, which a file of the same name would meet; listed
  // once, as asking for each file's name costs a look-up in the folder each.
  std::list<std::wstring> inTheWay;
  if (pathExists(target)) {
    if (!isDirectory(target)) {
      refuse(L"Can't copy " + source + L" to " + target + L": a file is in the way of the folder", __LINE__);
    }
    filesOfDir(inTheWay, target, listDirectories, L"*.*");
    for (std::wstring& folder : inTheWay) folder = fileNamePart(folder);
  }
  std::list<std::wstring> files, directories;
  filesOfDir(files, source, listFiles, mask);
  filesOfDir(directories, source, listDirectories, L"*.*");
  if (!files.empty()) steps.emplace_back(std::wstring(), target);
  for (const std::list<std::wstring>* entries : {&files, &directories}) {
    for (const std::wstring& entry : *entries) {
      const std::wstring name = fileNamePart(entry);
      if (entries == &directories && contains(exclusions, name)) continue;
      if (!isPlainName(name)) {
        refuse(L"Can't copy " + entry + L": the name '" + name +
                   L"' is a device name, ends in a dot or blank, or holds a reserved character",
               __LINE__);
      }
      const std::wstring targetEntry = VFileName::combine(target, name);
      if (entries == &directories) {
        plan(entry, targetEntry, L"*", {}, steps);
      } else if (std::any_of(inTheWay.begin(), inTheWay.end(),
                             [&](const std::wstring& folder) { return equalsNoCase(folder, name); })) {
        refuse(L"Can't copy " + entry + L" to " + targetEntry + L": a folder is in the way of the file", __LINE__);
      } else {
        steps.emplace_back(entry, targetEntry);
      }
    }
  }
}

}  // namespace

bool isPlainName(const std::wstring& name) {
  if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
  const bool reserved = std::any_of(name.begin(), name.end(), [](wchar_t c) {
    return c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos;
  });
  return !reserved && !isDeviceName(name);
}

void copyTree(const std::wstring& sourcePath, const std::wstring& targetPath, const StringList& exclusions) {
  std::wstring source = normalized(sourcePath);
  const std::wstring target = normalized(targetPath);
  std::wstring mask = L"*";
  if (fileNamePart(source).find(L'*') != std::wstring::npos) {
    mask = fileNamePart(source);
    source = parentDir(source);
  }
  if (source.find(L'*') != std::wstring::npos || target.find(L'*') != std::wstring::npos) return;
  if (!isDirectory(source)) return;
  Steps steps;
  plan(source, target, mask, exclusions, steps);
  for (const auto& [from, to] : steps) {
    if (from.empty()) {
      if (!isDirectory(to)) makeDirs(to);
    } else {
      copyFile(from, to, false);
    }
  }
}
