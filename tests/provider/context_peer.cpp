// A module of its own that shares the process-wide execute context.
#include "provider/execute_context.h"

extern "C" ExecuteContext* peerExecuteContext() { return executeContext(); }
