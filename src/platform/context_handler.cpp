#include "platform/context_handler.h"

#include <exception>

#include "platform/com_error.h"
#include "platform/strings.h"

void rethrowWithContext(CallSite context) {
  try {
    throw;
  } catch (const std::exception& e) {
    const std::string what = e.what();
    throw vexception(what.empty() ? std::wstring() : toWide(what, CP_ACP), std::move(context));
  } catch (const vexception& e) {
    vexception plain(e);  // the subclass and its code are not kept
    throw plain.addSite(std::move(context));
  } catch (const ComError& e) {
    throw vexception(e, context.source, context.function.c_str(), context.line);
  } catch (...) {
    throw vexception(L"Unexpected error", std::move(context));
  }
}
