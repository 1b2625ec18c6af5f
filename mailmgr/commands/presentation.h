#pragma once
// Shapes of output that several commands share.

#include <string>
#include <utility>
#include <vector>

#include "framework/invocation.h"
#include "interfaces/provider_types.h"

namespace mailmgr {

using Fields = std::vector<std::pair<std::wstring, std::wstring>>;

// "Label:  value" lines with the values aligned.
std::vector<std::wstring> fieldLines(const Fields& fields);

// One item per line, or a JSON array of strings.
void printList(Invocation& in, const StringList& items);

// Ascending numbers as runs: {0, 1, 2, 5} gives "0-2" and "5".
std::vector<std::wstring> numberRuns(const std::vector<int>& numbers);

// Prints a one-line confirmation, or a JSON object of the given members.
void printDone(Invocation& in, const std::wstring& text, Json json);

}  // namespace mailmgr
