#include "listfiles/list_file.h"

#include <windows.h>

#include <string_view>

#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "platform/system_paths.h"
#include "platform/vfile.h"

namespace Dravo {

namespace {

// Calls each with every piece between CR and LF characters that is not empty.
template <class Char, class Each>
void forEachLine(std::basic_string_view<Char> text, Each each) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != Char('\r') && text[end] != Char('\n')) ++end;
    if (end > start) each(text.substr(start, end - start));
    start = end + 1;
  }
}

// Puts the copy back in place of what the failed write left. When that fails too, the
// copy stays where it is, named in the log: it may be the only whole version of the file.
void restoreAfterFailedWrite(const std::wstring& path, const std::wstring& copy) noexcept {
  try {
    if (pathExists(path)) removeFile(path, true);
    if (!copy.empty()) renameFile(copy, path);
  } catch (const vexception& e) {
    log(1, L"The previous content of %s is kept in %s: %s", path.c_str(), copy.c_str(), fullText(e).c_str());
  } catch (...) {
  }
}

}  // namespace

std::vector<std::string> DravoListFile::readLines() const {
  std::vector<std::string> lines;
  if (!pathExists(path_)) return lines;
  std::string bytes;
  VFile(path_, GENERIC_READ, 0, OPEN_EXISTING).readAll(bytes);
  if (isAscii(bytes)) {
    // The code page keeps ASCII as it is: the conversions there and back change nothing.
    forEachLine(std::string_view(bytes), [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
  }
  // Splitting the wide text keeps a trail byte that equals CR or LF inside its character.
  const std::wstring text = toWide(bytes, CP_ACP);
  forEachLine(std::wstring_view(text),
              [&](std::wstring_view line) { lines.push_back(toNarrow(line, CP_ACP)); });
  return lines;
}

void DravoListFile::writeLines(const std::vector<std::string>& lines) const {
  std::size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  const std::wstring dir = parentDir(path_);
  if (!dir.empty() && dir != path_ && !pathExists(dir)) makeDirs(dir);
  VFile file(path_, GENERIC_WRITE, 0, CREATE_ALWAYS);
  file.write(text.data(), static_cast<DWORD>(text.size()));
}

void safeWrite(const std::wstring& path, const std::function<void()>& write) {
  std::wstring copy;
  if (pathExists(path)) {
    copy = tempFileName(L"tmp", tempPath());
    try {
      copyFile(path, copy, false);
    } catch (...) {
      // The copy's own failure must not hide why the save failed.
      try {
        removeFile(copy, true);
      } catch (...) {
      }
      throw;
    }
  }
  try {
    write();
  } catch (...) {
    restoreAfterFailedWrite(path, copy);
    throw;
  }
  if (copy.empty()) return;
  // The new content is in place: a copy left over must not report the change as failed.
  try {
    removeFile(copy, true);
  } catch (const vexception& e) {
    log(1, L"The temporary copy %s of %s was not removed: %s", copy.c_str(), path.c_str(),
        fullText(e).c_str());
  }
}

void DravoListFile::safeSave() {
  safeWrite(path_, [this] { save(); });
}

}  // namespace Dravo
