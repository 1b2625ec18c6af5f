#pragma once
// Runs one command line against the command table and turns its outcome into an exit code:
// 0 done, 1 the operation failed (its message on standard error), 2 the command line is
// wrong (the problem and the usage line on standard error).

#include <string>
#include <vector>

#include "framework/command.h"

namespace mailmgr {

constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

int run(const std::vector<std::wstring>& words, const CommandTable& table);

}  // namespace mailmgr
