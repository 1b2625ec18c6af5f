#pragma once
// Copying a directory tree file by file, as the archive stores and restores mailboxes.

#include <string>

#include "interfaces/provider_types.h"

// Copies the files of source that match its mask, then every subdirectory whose name is
// not in exclusions (first level only) with its whole tree. The last component of source
// may be a file mask ("dir\*.eml"); a "*" elsewhere makes the call do nothing. A missing
// source copies nothing; a directory is created in target only when a file goes there, so
// empty directories are not copied.
void copyTree(const std::wstring& source, const std::wstring& target, const StringList& exclusions);
