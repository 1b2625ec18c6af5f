#pragma once
// Text of the failures that reach the tool: the module's exceptions (message, or message
// and trace), COM errors, the tool's own failures and standard exceptions.

#include <windows.h>

#include <string>

class vexception;
class ComError;

namespace mailmgr {

// Describes the exception being handled; call only inside a catch block. UsageError is
// not expected here (the runner handles it before). With trace, a module exception
// gets one "   at ..." line per place that raised or passed it on.
std::wstring describeFailure(bool trace);

// True inside a catch block when the exception is the module's answer for an operation
// that it does not do yet.
bool isNotImplemented();


}  // namespace mailmgr
