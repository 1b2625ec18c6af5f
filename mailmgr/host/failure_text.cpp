#include "host/failure_text.h"

#include <exception>
#include <new>

#include "framework/console.h"
#include "framework/usage_error.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"

namespace mailmgr {

std::wstring describeFailure(bool trace) {
  try {
    throw;
  } catch (const vexception& error) {
    return trace ? fullText(error) : error.message();
  } catch (const ComError& error) {
    return error.text();
  } catch (const Failure& failure) {
    return failure.message;
  } catch (const UsageError& error) {
    return error.message;
  } catch (const std::bad_alloc&) {
    return L"out of memory";
  } catch (const std::exception& error) {
    return fromUtf8(error.what());
  } catch (...) {
    return L"an unknown exception left the module";
  }
}

bool isNotImplemented() {
  try {
    throw;
  } catch (const vexception& error) {
    return error.message().starts_with(L"Run-Time error: Not implemented");
  } catch (...) {
    return false;
  }
}

}  // namespace mailmgr
