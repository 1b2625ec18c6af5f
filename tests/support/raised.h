#pragma once
// What a piece of work raised, as "<message> @ <function that raised it>", so that one line
// checks an exception's class, text and origin. Exceptions of other classes pass on and
// fail the test.

#include <string>

#include "platform/exceptions.h"
#include "platform/strings.h"

template <class Expected = vexception, class Work>
std::wstring raised(Work&& work) {
  try {
    work();
  } catch (const Expected& e) {
    return e.message() + L" @ " + (e.trace().empty() ? std::wstring() : toWide(e.trace().front().function, CP_ACP));
  }
  return L"<no failure>";
}
