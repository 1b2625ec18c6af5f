#pragma once
// Listing the entries of a folder, optionally of its whole tree.

#include <list>
#include <string>

enum FilesOfDirFlags : unsigned {
  listFiles = 1,
  listDirectories = 2,
  listRecursive = 4,  // then each subfolder's matches, depth first, after the folder's own
};

// Appends the full paths of the matching entries to `out`. An existing folder without
// matches adds nothing; a missing folder raises.
void filesOfDir(std::list<std::wstring>& out, const std::wstring& directory, unsigned flags,
                const std::wstring& pattern);
