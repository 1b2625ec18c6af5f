#pragma once
// Whole-file operations that name the operation and the paths in every failure.

#include <cstdint>
#include <string>

void copyFile(const std::wstring& source, const std::wstring& target, bool failIfExists);
// A plain move; fails when the target exists.
void renameFile(const std::wstring& source, const std::wstring& target);
// A missing file is not an error. With force, a refused delete is tried once more after
// the current user has been given the right to delete and the read-only attribute is off.
void removeFile(const std::wstring& path, bool force);
std::uint64_t fileSize(const std::wstring& path);
// True when a file or folder of that name exists (and its attributes can be read).
bool pathExists(const std::wstring& path);
// True when a folder of that name exists.
bool isDirectory(const std::wstring& path);
