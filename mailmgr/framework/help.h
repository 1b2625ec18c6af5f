#pragma once
// Help texts, all made from the command table.

#include <string>
#include <vector>

#include "framework/command.h"

namespace mailmgr {

// "mailmgr domain create NAME [--limit SIZE]"
std::wstring usageLine(const CommandSpec& command);
// "mailmgr domain <command> [arguments] [options]"
std::wstring usageLine(const GroupSpec& group);
std::wstring toolUsageLine();

std::vector<std::wstring> commandHelp(const CommandSpec& command);
std::vector<std::wstring> groupHelp(const CommandTable& table, const GroupSpec& group);
std::vector<std::wstring> toolHelp(const CommandTable& table);

}  // namespace mailmgr
