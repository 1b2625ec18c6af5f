#pragma once
// A log file's lines as a text-mode stream of the C library hands them over, read in
// large blocks: CR LF arrives as LF, and a 0x1A byte ends the file.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "platform/owner.h"

namespace Dravo {

// Memory that a reader reads into; the lines it hands out lie in it.
struct LogBuffer {
  std::unique_ptr<char[]> bytes;
  std::size_t capacity = 0;
};

class LogFileReader {
 public:
  // `blockSize` bytes are asked for at a time; the buffer serves every file opened.
  explicit LogFileReader(std::size_t blockSize) : blockSize_(blockSize > 0 ? blockSize : 1) {}

  // Opens `path` (in the ANSI code page) for reading, sharing it as the C library does,
  // and closes the file read before; a file that cannot be opened reads as empty.
  void open(const std::string& path);

  // Closes the file; the buffer stays for the next.
  void close();

  // The next line without its line end. False when there is none: at end of file, at a
  // read failure, at an empty line and before a last line without its line end, where
  // ended() holds; and when the buffer holds no further whole line, where the next call
  // reads on into the buffer over the lines handed out, unless exchange() first gives
  // them a buffer of their own.
  bool next(std::string_view& line);
  bool ended() const { return ended_; }

  // Gives the buffer, with every line handed out from it, to `kept`, and reads on in the
  // memory `kept` held, where the unread bytes of an open file move.
  void exchange(LogBuffer& kept);

 private:
  void fill();

  std::size_t blockSize_;
  Owner<FileHandleTraits> file_;
  LogBuffer buffer_;
  std::size_t begin_ = 0, end_ = 0;  // unread bytes
  std::size_t scanned_ = 0;          // from begin_, bytes known to hold no line end
  bool linesGiven_ = false;          // lines were handed out since the buffer was last read into
  bool ended_ = true;
};

}  // namespace Dravo
