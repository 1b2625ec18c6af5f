#include "platform/vfile.h"

#include "platform/exceptions.h"
#include "platform/format.h"

VFile::VFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  open(path, access, share, disposition, flags);
}

void VFile::open(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  // Closed first, so that reopening a file held without sharing works.
  handle_.reset();
  path_ = path;
  handle_.reset(CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr));
  if (!handle_) throwOsError(L"Open file '" + path + L"'", GetLastError(), site("VFile::open", 87));
}

DWORD VFile::read(void* buffer, DWORD count) {
  DWORD done = 0;
  if (!ReadFile(handle_.get(), buffer, count, &done, nullptr)) {
    throwOsError(L"Read from file '" + path_ + L"'", GetLastError(), site("VFile::read", 95));
  }
  return done;
}

DWORD VFile::write(const void* buffer, DWORD count, bool mustWriteAll) {
  DWORD done = 0;
  if (!WriteFile(handle_.get(), buffer, count, &done, nullptr)) {
    throwOsError(L"Write to file '" + path_ + L"'", GetLastError(), site("VFile::write", 113));
  }
  if (mustWriteAll && done != count) {
    throwRuntimeError(format(L"Unable to write %d bytes into file ", static_cast<int>(count)) + path_,
                      site("VFile::write", 115));
  }
  return done;
}

void VFile::readAll(std::string& out) {
  // Sized from the file and read in large pieces; reading on to the end still takes
  // whatever the file gained meanwhile.
  out.clear();
  LARGE_INTEGER size{};
  if (GetFileSizeEx(handle_.get(), &size) && size.QuadPart > 0) out.reserve(static_cast<std::size_t>(size.QuadPart));
  constexpr DWORD piece = 1 << 20;
  for (;;) {
    const std::size_t used = out.size();
    out.resize(used + piece);
    const DWORD done = read(out.data() + used, piece);
    out.resize(used + done);
    if (done == 0) return;
  }
}
