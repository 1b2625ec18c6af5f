#pragma once
// Splits the words of a command line into the command, its arguments and its options.

#include <map>
#include <string>
#include <vector>

#include "framework/command.h"

namespace mailmgr {

struct ParsedLine {
  const CommandSpec* command = nullptr;  // null: no command named (help of the tool or a group)
  const GroupSpec* group = nullptr;      // the group named, if any
  std::vector<std::wstring> arguments;
  std::map<std::wstring, std::wstring, std::less<>> options;  // global and command options; flags map to ""
  bool help = false;
};

// Options go anywhere after the tool's name, as "--name value", "--name=value" or a flag;
// "--" makes every later word an argument; a word starting with "-" and a digit is an
// argument (a negative number). Raises UsageError for an unknown command or option, a
// missing option value and a wrong number of arguments (the argument count is not checked
// when help is asked for).
ParsedLine parseCommandLine(const std::vector<std::wstring>& words, const CommandTable& table);

const CommandSpec* findCommand(const CommandTable& table, std::wstring_view group, std::wstring_view name);
const GroupSpec* findGroup(const CommandTable& table, std::wstring_view name);

}  // namespace mailmgr
