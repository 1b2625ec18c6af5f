#include "platform/log_switches.h"

#include <windows.h>

#include "platform/config_key.h"
#include "platform/registry.h"
#include "platform/execute_context.h"

namespace {

std::uint32_t debugValue = 0;
std::uint32_t evaluations = 0;

// Used only when the process has no memory left for the shared record.
LogSwitches fallback = {};

}  // namespace

LogSwitches& logSwitches() {
  void* block = contextSlot(0);
  if (!block) block = makeContextSlot(0, sizeof(LogSwitches));
  return block ? *static_cast<LogSwitches*>(block) : fallback;
}

void makeDefaultLogSwitches() {
  if (contextSlot(0)) return;  // whoever made it first decides
  LogSwitches defaults = {};
  // One evaluation per level, in level order, so the first three evaluations happen here.
  for (int level = 0; level < logLevels; ++level) {
    defaults.console[level] = level >= 2;
    defaults.eventLog[level] = level >= 3 ? 1 : evaluateDebugSwitch();
  }
  logSwitches() = defaults;
}

bool evaluateDebugSwitch() {
  if (evaluations++ % 16 == 0) {
    // A missing key or value keeps the last value read.
    registry::lookup(HKEY_LOCAL_MACHINE, configKeyPath, L"Debug", debugValue);
  }
  return debugValue != 0;
}
