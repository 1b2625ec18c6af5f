#pragma once
// One enumeration of the entries that match a path pattern.

#include <windows.h>

#include <string>

#include "platform/owner.h"

class VFileFinder {
 public:
  VFileFinder() { clear(); }

  // True when an entry was found; false, without error, when nothing matches or the
  // folder does not exist.
  bool first(const std::wstring& pattern);
  // False when no enumeration is open or after the last entry.
  bool next();
  // The same steps for callers with failure rules of their own: ERROR_SUCCESS when an
  // entry was found, else the system's error code; nothing is raised.
  DWORD tryFirst(const std::wstring& pattern);
  DWORD tryNext();
  void close();

  bool isOpen() const { return static_cast<bool>(handle_); }
  const WIN32_FIND_DATAW& data() const { return data_; }
  std::wstring name() const { return data_.cFileName; }
  bool isDirectory() const { return (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // "." or "..": the entries every folder holds for itself and its parent.
  bool isDotEntry() const;

 private:
  void clear();

  FindHandle handle_;
  WIN32_FIND_DATAW data_;
};
