#pragma once
#include "framework/command.h"

namespace mailmgr {

// Every command of the tool, with its usage, help and handler.
const CommandTable& commandTable();

}  // namespace mailmgr
