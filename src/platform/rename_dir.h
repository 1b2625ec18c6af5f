#pragma once
// Moving a folder: a plain move where the system allows it, otherwise a copy of the
// folder's security and a move of its entries one by one, undone when a step fails.

#include <string>

void renameDir(const std::wstring& source, const std::wstring& target, bool replace);
