#include "framework/command_line.h"

#include <algorithm>

#include "framework/usage_error.h"

namespace mailmgr {
namespace {

bool isOptionWord(const std::wstring& word) {
  return word.size() > 1 && word[0] == L'-' && !(word[1] >= L'0' && word[1] <= L'9');
}

const OptionSpec* findOption(const std::vector<OptionSpec>& options, std::wstring_view name) {
  const auto found = std::find_if(options.begin(), options.end(), [&](const OptionSpec& o) { return o.name == name; });
  return found == options.end() ? nullptr : &*found;
}

bool takesValue(std::wstring_view word) {
  const OptionSpec* found = word.starts_with(L"--") ? findOption(globalOptions(), word.substr(2)) : nullptr;
  return found && !found->value.empty();
}

// Positions of the words that are not options or option values, as far as the options
// that every command knows tell.
std::vector<std::size_t> plainWords(const std::vector<std::wstring>& words) {
  std::vector<std::size_t> positions;
  bool rest = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (rest || !isOptionWord(words[i])) {
      if (!rest && words[i] == L"--") rest = true;
      else positions.push_back(i);
      continue;
    }
    if (words[i] == L"--") rest = true;
    else if (takesValue(words[i])) ++i;
  }
  return positions;
}

void checkArgumentCount(const ParsedLine& line) {
  const auto& specs = line.command->arguments;
  const std::size_t required =
      static_cast<std::size_t>(std::count_if(specs.begin(), specs.end(), [](const auto& a) { return !a.optional; }));
  const bool unbounded = !specs.empty() && specs.back().repeated;
  if (line.arguments.size() < required) {
    throw UsageError{L"missing " + std::wstring(specs[line.arguments.size()].name), line.command};
  }
  if (!unbounded && line.arguments.size() > specs.size()) {
    throw UsageError{L"unexpected argument '" + line.arguments[specs.size()] + L"'", line.command};
  }
}

}  // namespace

const CommandSpec* findCommand(const CommandTable& table, std::wstring_view group, std::wstring_view name) {
  for (const CommandSpec& command : table.commands) {
    if (command.group == group && command.name == name) return &command;
  }
  return nullptr;
}

const GroupSpec* findGroup(const CommandTable& table, std::wstring_view name) {
  for (const GroupSpec& group : table.groups) {
    if (group.name == name) return &group;
  }
  return nullptr;
}

ParsedLine parseCommandLine(const std::vector<std::wstring>& words, const CommandTable& table) {
  ParsedLine line;
  std::vector<std::size_t> positions = plainWords(words);
  std::vector<std::size_t> commandWords;

  // "help TOPIC..." is the same as "TOPIC... --help".
  std::size_t next = 0;
  if (!positions.empty() && words[positions[0]] == L"help" && !findCommand(table, L"", L"help")) {
    line.help = true;
    commandWords.push_back(positions[next++]);
  }
  if (next < positions.size()) {
    const std::wstring& first = words[positions[next]];
    commandWords.push_back(positions[next++]);
    if ((line.command = findCommand(table, L"", first)) == nullptr) {
      line.group = findGroup(table, first);
      if (!line.group) throw UsageError{L"unknown command '" + first + L"'"};
      if (next < positions.size()) {
        const std::wstring& second = words[positions[next]];
        commandWords.push_back(positions[next++]);
        line.command = findCommand(table, line.group->name, second);
        if (!line.command) {
          throw UsageError{L"unknown command '" + first + L" " + second + L"'", nullptr, line.group};
        }
      }
    }
  }

  const std::vector<OptionSpec> none;
  const std::vector<OptionSpec>& own = line.command ? line.command->options : none;
  const auto fail = [&](std::wstring message) { throw UsageError{std::move(message), line.command, line.group}; };
  bool rest = false;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::wstring& word = words[i];
    if (std::find(commandWords.begin(), commandWords.end(), i) != commandWords.end()) continue;
    if (rest || !isOptionWord(word)) {
      if (!rest && word == L"--") rest = true;
      else line.arguments.push_back(word);
      continue;
    }
    if (word == L"--") {
      rest = true;
      continue;
    }
    if (word == L"-h") {
      line.help = true;
      continue;
    }
    if (!word.starts_with(L"--")) fail(L"unknown option '" + word + L"'");
    const std::size_t equals = word.find(L'=');
    const std::wstring name = word.substr(2, equals == std::wstring::npos ? std::wstring::npos : equals - 2);
    const OptionSpec* found = findOption(own, name);
    if (!found) found = findOption(globalOptions(), name);
    if (!found) fail(L"unknown option '--" + name + L"'");
    if (line.options.count(name)) fail(L"option --" + name + L" given twice");
    std::wstring value;
    if (found->value.empty()) {
      if (equals != std::wstring::npos) fail(L"option --" + name + L" takes no value");
    } else if (equals != std::wstring::npos) {
      value = word.substr(equals + 1);
    } else if (i + 1 < words.size()) {
      value = words[++i];
    } else {
      fail(L"option --" + name + L" needs a value (" + std::wstring(found->value) + L")");
    }
    if (name == L"help") line.help = true;
    line.options.emplace(name, std::move(value));
  }
  if (line.command && !line.help) checkArgumentCount(line);
  return line;
}

}  // namespace mailmgr
