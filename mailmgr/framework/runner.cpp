#include "framework/runner.h"

#include "framework/help.h"
#include "framework/invocation.h"
#include "framework/usage_error.h"
#include "host/failure_text.h"

namespace mailmgr {
namespace {

int reportUsage(const UsageError& error) {
  OutputStream& err = standardError();
  err.line(L"mailmgr: " + error.message);
  if (error.command) {
    err.line(L"Usage: " + usageLine(*error.command));
    std::wstring words(error.command->group);
    if (!words.empty()) words += L" ";
    err.line(L"Run 'mailmgr " + words + std::wstring(error.command->name) + L" --help' for more.");
  } else if (error.group) {
    err.line(L"Usage: " + usageLine(*error.group));
    err.line(L"Run 'mailmgr " + std::wstring(error.group->name) + L" --help' for its commands.");
  } else {
    err.line(L"Usage: " + toolUsageLine());
    err.line(L"Run 'mailmgr --help' for the commands.");
  }
  return exitUsage;
}

void printLines(OutputStream& stream, const std::vector<std::wstring>& lines) {
  for (const auto& line : lines) stream.line(line);
}

int runCommand(ParsedLine line) {
  Invocation invocation(std::move(line));
  const bool trace = invocation.verbose();
  try {
    return invocation.command().handler(invocation);
  } catch (UsageError& error) {
    if (!error.command) error.command = &invocation.command();
    return reportUsage(error);
  } catch (...) {
    // Described here, while the module that may have thrown it is still loaded.
    standardError().line(L"mailmgr: " + describeFailure(trace));
    return exitFailure;
  }
}

}  // namespace

int run(const std::vector<std::wstring>& words, const CommandTable& table) {
  ParsedLine line;
  try {
    line = parseCommandLine(words, table);
    if (const auto dll = line.options.find(L"dll"); dll != line.options.end() && dll->second.empty()) {
      throw UsageError{L"option --dll needs a path", line.command, line.group};
    }
  } catch (const UsageError& error) {
    return reportUsage(error);
  }
  if (line.help) {
    if (line.command) printLines(standardOutput(), commandHelp(*line.command));
    else if (line.group) printLines(standardOutput(), groupHelp(table, *line.group));
    else printLines(standardOutput(), toolHelp(table));
    return 0;
  }
  if (!line.command) {
    if (line.group) {
      standardError().line(L"mailmgr: missing command after '" + std::wstring(line.group->name) + L"'");
      printLines(standardError(), groupHelp(table, *line.group));
    } else {
      standardError().line(L"mailmgr: missing command");
      printLines(standardError(), toolHelp(table));
    }
    return exitUsage;
  }
  try {
    return runCommand(std::move(line));
  } catch (...) {
    // Only the tool's own setup can fail here (for example memory for the arguments).
    standardError().line(L"mailmgr: " + describeFailure(false));
    return exitFailure;
  }
}

}  // namespace mailmgr
