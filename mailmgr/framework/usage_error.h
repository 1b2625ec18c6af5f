#pragma once
// Failures of the tool itself, apart from the module's own exceptions: bad input (exit
// code 2, shown with the usage line) and failures around the module (exit code 1).

#include <string>

namespace mailmgr {

struct CommandSpec;
struct GroupSpec;

// The command line or a value on it is wrong. The command or group, where known, tells
// which usage line to show; the runner fills in the command being run.
struct UsageError {
  std::wstring message;
  const CommandSpec* command = nullptr;
  const GroupSpec* group = nullptr;
};

// The tool could not do what was asked, for a reason of its own (the module could not be
// loaded, a lookup found nothing).
struct Failure {
  std::wstring message;
};

}  // namespace mailmgr
