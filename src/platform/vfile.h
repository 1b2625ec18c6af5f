#pragma once
// An open file that names its path in every failure.

#include <windows.h>

#include <string>

#include "platform/owner.h"

class VFile {
 public:
  VFile() = default;
  VFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags = FILE_ATTRIBUTE_NORMAL);

  // Closes what is open, then creates or opens `path`.
  void open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
            DWORD flags = FILE_ATTRIBUTE_NORMAL);
  // Bytes read; 0 at the end of the file.
  DWORD read(void* buffer, DWORD count);
  // Bytes written; with mustWriteAll a short write raises.
  DWORD write(const void* buffer, DWORD count, bool mustWriteAll = true);
  // Replaces `out` with the rest of the file.
  void readAll(std::string& out);
  void close() { handle_.reset(); }

  HANDLE handle() const { return handle_.get(); }
  const std::wstring& path() const { return path_; }

 private:
  FileHandle handle_;
  std::wstring path_;
};
