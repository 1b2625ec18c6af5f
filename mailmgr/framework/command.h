#pragma once
// What a command is: its place in a group, its arguments and options, its help text and
// the function that runs it. The tool's commands are listed in one table.

#include <string_view>
#include <vector>

namespace mailmgr {

class Invocation;
// Returns the exit code; failures leave as exceptions.
using Handler = int (*)(Invocation&);

struct ArgumentSpec {
  std::wstring_view name;  // upper case, as the usage line shows it
  std::wstring_view help;
  bool optional = false;
  bool repeated = false;  // the last argument only: takes every word that is left
};

struct OptionSpec {
  std::wstring_view name;   // without the leading "--"
  std::wstring_view value;  // the value's name in the usage line; empty for a flag
  std::wstring_view help;
};

struct CommandSpec {
  std::wstring_view group;  // empty for a command that stands alone
  std::wstring_view name;
  std::vector<ArgumentSpec> arguments;
  std::vector<OptionSpec> options;
  std::wstring_view summary;  // one line for the command lists
  std::wstring_view details;  // paragraphs for the command's own help
  Handler handler = nullptr;
};

struct GroupSpec {
  std::wstring_view name;
  std::wstring_view summary;
};

struct CommandTable {
  std::vector<GroupSpec> groups;
  std::vector<CommandSpec> commands;
};

// Options that every command takes.
inline const std::vector<OptionSpec>& globalOptions() {
  static const std::vector<OptionSpec> options = {
      {L"dll", L"PATH", L"the module to load (default: dravoprovider.dll beside mailmgr.exe)"},
      {L"json", L"", L"print the result as JSON, for scripts"},
      {L"verbose", L"", L"on failure, print the full trace of the module's exception"},
      {L"help", L"", L"show help for the tool, a group or a command"},
  };
  return options;
}

}  // namespace mailmgr
