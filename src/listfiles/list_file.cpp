#include "listfiles/list_file.h"

#include <windows.h>

#include "platform/directories.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/strings.h"
#include "platform/system_paths.h"
#include "platform/vfile.h"

namespace Dravo {

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> DravoListFile::readLines() const {
  std::vector<std::string> lines;
  if (!fileExists(path_)) return lines;
  std::string bytes;
  VFile(path_, GENERIC_READ, 0, OPEN_EXISTING).readAll(bytes);
  // Splitting the wide text keeps a trail byte that equals CR or LF inside its character.
  const std::wstring text = toWide(bytes, CP_ACP);
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    if (end > start) lines.push_back(toNarrow(text.substr(start, end - start), CP_ACP));
    start = end + 1;
  }
  return lines;
}

void DravoListFile::writeLines(const std::vector<std::string>& lines) const {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  const std::wstring dir = parentDir(path_);
  if (!dir.empty() && dir != path_ && !fileExists(dir)) makeDirs(dir);
  VFile file(path_, GENERIC_WRITE, 0, CREATE_ALWAYS);
  file.write(text.data(), static_cast<DWORD>(text.size()));
}

// Puts the copy back in place of what the failed write left. When that fails too, the
// copy stays where it is: it may be the only whole version of the file left.
void DravoListFile::restoreAfterFailedSave(const std::wstring& copy) const noexcept {
  try {
    if (fileExists(path_)) removeFile(path_, true);
    if (!copy.empty()) renameFile(copy, path_);
  } catch (...) {
  }
}

void DravoListFile::safeSave() {
  std::wstring copy;
  if (fileExists(path_)) {
    copy = tempFileName(L"tmp", tempPath());
    try {
      copyFile(path_, copy, false);
    } catch (...) {
      removeFile(copy, true);
      throw;
    }
  }
  try {
    save();
  } catch (...) {
    restoreAfterFailedSave(copy);
    throw;
  }
  if (!copy.empty()) removeFile(copy, true);
}

}  // namespace Dravo
