#include "archive/tree_copy.h"

#include <algorithm>
#include <list>

#include "platform/directories.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/files_of_dir.h"

namespace {

std::wstring normalized(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return trimRight(path, L"\\");
}

bool isDirectory(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool contains(const StringList& names, const std::wstring& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

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

  std::list<std::wstring> files;
  filesOfDir(files, source, listFiles, mask);
  if (!files.empty() && !isDirectory(target)) makeDirs(target);
  for (const std::wstring& file : files) copyFile(file, VFileName::combine(target, fileNamePart(file)), false);

  std::list<std::wstring> directories;
  filesOfDir(directories, source, listDirectories, L"*.*");
  for (const std::wstring& directory : directories) {
    const std::wstring name = fileNamePart(directory);
    if (contains(exclusions, name)) continue;
    copyTree(directory, VFileName::combine(target, name), {});
  }
}
