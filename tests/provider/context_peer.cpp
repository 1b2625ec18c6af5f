// A module of its own that shares the process-wide execute context.
#include "platform/execute_context.h"

extern "C" ExecuteContext* peerExecuteContext() { return executeContext(); }
