#pragma once
// A log file's lines as a text-mode stream of the C library hands them over, read in
// large blocks: CR LF arrives as LF, and a 0x1A byte ends the file.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/owner.h"

namespace Dravo {

class LogFileReader {
 public:
  // `blockSize` bytes are asked for at a time; the buffer serves every file opened.
  explicit LogFileReader(std::size_t blockSize = 256 * 1024) : blockSize_(blockSize > 0 ? blockSize : 1) {}

  // Opens `path` (in the ANSI code page) for reading, sharing it as the C library does,
  // and closes the file read before; a file that cannot be opened reads as empty.
  void open(const std::string& path);

  // Closes the file; the buffer stays for the next.
  void close() { file_.reset(); }

  // The next line without its line end; false at end of file, at a read failure, at an
  // empty line, and before a last line without its line end. The line lasts until the
  // next call.
  bool next(std::string_view& line);

 private:
  bool fill();

  std::size_t blockSize_;
  Owner<FileHandleTraits> file_;
  std::size_t capacity_ = 0;
  std::unique_ptr<char[]> buffer_;
  std::size_t begin_ = 0, end_ = 0;  // unread bytes
  std::size_t scanned_ = 0;          // from begin_, bytes known to hold no line end
};

}  // namespace Dravo
