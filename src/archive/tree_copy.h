#pragma once
// Copying a directory tree file by file, as the archive stores and restores mailboxes.

#include <string>

#include "interfaces/provider_types.h"

// True when name is one path component that the file system keeps as written: not empty,
// no separator, colon, wildcard or control character, no trailing dot or blank (the system
// drops them, so "x." would reach "x" and ".." the parent), and not a device name such as
// CON, NUL, AUX, COM1 or LPT1, with or without an extension (those reach the device).
bool isPlainName(const std::wstring& name);

// Copies the files of source that match its mask, then every subdirectory whose name is
// not in exclusions (first level only) with its whole tree. The last component of source
// may be a file mask ("dir\*.eml"); a "*" elsewhere makes the call do nothing. A missing
// source copies nothing; a directory is created in target only when a file goes there, so
// empty directories are not copied. The whole tree is looked over before anything is
// copied: an entry whose name is not plain, or whose place in target holds an entry of the
// other kind (a folder where a file goes, a file where a folder goes), raises a run-time
// error naming it, and target is left as it was.
void copyTree(const std::wstring& source, const std::wstring& target, const StringList& exclusions);
