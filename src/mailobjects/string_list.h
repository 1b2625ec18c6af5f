#pragma once
// The mail server's list properties: items joined by ";", compared exactly, never trimmed.

#include <string>

#include "interfaces/provider_types.h"

namespace Dravo {

// Appends the items of text to out. With emptyCount 0 no empty item is ever produced;
// otherwise a run of emptyCount separators without text yields one empty item.
void tokenize(StringList& out, const std::wstring& text, const std::wstring& separators, int emptyCount = 0);

// Erase or replace the first item equal to item; raise when there is none.
void delFromStrList(std::wstring& list, const std::wstring& item, wchar_t separator = L';');
// The same with a separator of several characters, such as CR LF between the lines of a file.
void delFromStrList(std::wstring& list, const std::wstring& item, const std::wstring& separator);
void replaceInStrList(std::wstring& list, const std::wstring& oldItem, const std::wstring& newItem,
                      wchar_t separator = L';');

}  // namespace Dravo
