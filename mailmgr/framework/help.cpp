#include "framework/help.h"

#include <algorithm>

#include "framework/table.h"

namespace mailmgr {
namespace {

std::wstring argumentWord(const ArgumentSpec& argument) {
  std::wstring word(argument.name);
  if (argument.repeated) word += L"...";
  return argument.optional ? L"[" + word + L"]" : word;
}

std::wstring optionWord(const OptionSpec& option) {
  std::wstring word = L"--" + std::wstring(option.name);
  if (!option.value.empty()) word += L" " + std::wstring(option.value);
  return word;
}

std::wstring commandWords(const CommandSpec& command) {
  std::wstring words = command.group.empty() ? std::wstring() : std::wstring(command.group) + L" ";
  words += command.name;
  for (const auto& argument : command.arguments) words += L" " + argumentWord(argument);
  return words;
}

void appendIndented(std::vector<std::wstring>& out, const std::vector<std::wstring>& lines) {
  for (const auto& line : lines) out.push_back(L"  " + line);
}

void appendText(std::vector<std::wstring>& out, std::wstring_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find(L'\n');
    out.emplace_back(text.substr(0, end));
    if (end == std::wstring_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

std::vector<std::wstring> optionLines(const std::vector<OptionSpec>& options) {
  Table table({});
  for (const auto& option : options) {
    table.add({option.name == L"help" ? L"-h, --help" : optionWord(option), std::wstring(option.help)});
  }
  return table.lines();
}

// The commands of one group, their summaries aligned at a column shared by all groups.
void appendCommandList(std::vector<std::wstring>& out, const CommandTable& table, std::wstring_view group) {
  std::size_t width = 0;
  for (const auto& command : table.commands) width = std::max(width, displayWidth(commandWords(command)));
  for (const auto& command : table.commands) {
    if (command.group != group) continue;
    const std::wstring words = commandWords(command);
    out.push_back(L"  " + words + std::wstring(width - displayWidth(words) + 2, L' ') + std::wstring(command.summary));
  }
}

}  // namespace

std::wstring usageLine(const CommandSpec& command) {
  std::wstring line = L"mailmgr " + commandWords(command);
  for (const auto& option : command.options) line += L" [" + optionWord(option) + L"]";
  return line;
}

std::wstring usageLine(const GroupSpec& group) {
  return L"mailmgr " + std::wstring(group.name) + L" <command> [arguments] [options]";
}

std::wstring toolUsageLine() { return L"mailmgr <group> <command> [arguments] [options]"; }

std::vector<std::wstring> commandHelp(const CommandSpec& command) {
  std::vector<std::wstring> out = {L"Usage: " + usageLine(command), L""};
  appendText(out, command.details.empty() ? command.summary : command.details);
  if (!command.arguments.empty()) {
    out.insert(out.end(), {L"", L"Arguments:"});
    Table table({});
    for (const auto& argument : command.arguments) table.add({std::wstring(argument.name), std::wstring(argument.help)});
    appendIndented(out, table.lines());
  }
  if (!command.options.empty()) {
    out.insert(out.end(), {L"", L"Options:"});
    appendIndented(out, optionLines(command.options));
  }
  out.insert(out.end(), {L"", L"Global options:"});
  appendIndented(out, optionLines(globalOptions()));
  return out;
}

std::vector<std::wstring> groupHelp(const CommandTable& table, const GroupSpec& group) {
  std::vector<std::wstring> out = {L"Usage: " + usageLine(group), L"", std::wstring(group.summary), L"",
                                   L"Commands:"};
  appendCommandList(out, table, group.name);
  out.insert(out.end(), {L"", L"Run 'mailmgr " + std::wstring(group.name) + L" <command> --help' for one command."});
  return out;
}

std::vector<std::wstring> toolHelp(const CommandTable& table) {
  std::vector<std::wstring> out = {
      L"mailmgr - drives the mail-provider module as the control panel's mail manager does.",
      L"",
      L"Usage: " + toolUsageLine(),
  };
  for (const auto& group : table.groups) {
    out.insert(out.end(), {L"", std::wstring(group.summary) + L":"});
    appendCommandList(out, table, group.name);
  }
  out.insert(out.end(), {L"", L"Other commands:"});
  appendCommandList(out, table, L"");
  out.insert(out.end(), {L"", L"Global options:"});
  appendIndented(out, optionLines(globalOptions()));
  out.insert(out.end(), {
                            L"",
                            L"Sizes take a 1024-based unit: 512K, 100M, 2G; a plain number is bytes.",
                            L"Exit status: 0 done, 1 the operation failed, 2 the command line is wrong.",
                            L"Run 'mailmgr <group> <command> --help' for the details of one command.",
                        });
  return out;
}

}  // namespace mailmgr
