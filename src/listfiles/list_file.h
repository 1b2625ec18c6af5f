#pragma once
// The mail server's line-oriented configuration files: read whole when the object is built,
// changed in memory, written whole. Text is the ANSI code page with CR LF line ends.

#include <functional>
#include <string>
#include <vector>

namespace Dravo {

// Runs write, which replaces the whole file at path, with a temporary copy of the old file
// that is put back when write fails.
void safeWrite(const std::wstring& path, const std::function<void()>& write);

class DravoListFile {
 public:
  explicit DravoListFile(std::wstring path) : path_(std::move(path)) {}
  virtual ~DravoListFile() = default;
  DravoListFile(const DravoListFile&) = delete;
  DravoListFile& operator=(const DravoListFile&) = delete;

  // Writes all entries to the path.
  virtual void save() = 0;
  // save() with a temporary copy of the old file that is put back when the write fails.
  void safeSave();

  const std::wstring& path() const { return path_; }

 protected:
  // The non-empty lines of the file (split at every CR and LF), as ANSI text; none when
  // the file is missing.
  std::vector<std::string> readLines() const;
  // Writes every line followed by CR LF, creating the folder when it is missing.
  void writeLines(const std::vector<std::string>& lines) const;

 private:
  std::wstring path_;
};

}  // namespace Dravo
