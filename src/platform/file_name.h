#pragma once
// Path text helpers: separators, joining, and splitting a path into folder and name.

#include <string>

std::wstring withBackslash(const std::wstring& path);
// Remove every character of `set` from the end, or from the start, of `text`.
std::wstring trimRight(const std::wstring& text, const std::wstring& set);
std::wstring trimLeft(const std::wstring& text, const std::wstring& set);

// The part after the last separator.
std::wstring fileNamePart(const std::wstring& path);
// The path without its last component; a root or an empty path stays as it is.
std::wstring parentDir(const std::wstring& path);

class VFileName {
 public:
  // Joins with exactly one separator; raises when the result would not fit in 260 characters.
  static std::wstring combine(const std::wstring& dir, const std::wstring& fileName);
};
