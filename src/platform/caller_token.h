#pragma once
// The token of the calling thread, or of the process when the thread has none of its own.

#include <windows.h>

#include <cstdint>

#include "platform/owner.h"

// A failure to open the thread's token raises from `threadLine`, one to open the
// process token from `processLine`, both in `function`.
KernelHandle openCallerToken(DWORD access, bool openAsSelf, const char* function, std::uint32_t threadLine,
                             std::uint32_t processLine);
