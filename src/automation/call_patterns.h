#pragma once
// The three ways the module changes the mail server's data. The outcome of a call is
// never its returned flag: it is "LastErr" of the object called, negative for failure.

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "automation/automation_objects.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"

namespace Dravo {

// The failure text of a call, built only when the call failed.
using FailureText = std::function<std::wstring()>;

// Raises "Run-Time error: " + text() at site when "LastErr" of object is negative.
void checkLastErr(AutomationObject& object, const FailureText& text, const CallSite& site);

// Delete or rename: the call, then "LastErr" of the object called.
template <class Call>
void checkedCall(AutomationObject& object, Call&& call, const FailureText& text, const CallSite& site) {
  std::forward<Call>(call)();
  checkLastErr(object, text, site);
}

// Write: each property in order, "Save", then "LastErr" of the same object.
struct PropertyValue {
  std::wstring name;
  Variant value;
};
void writeProperties(AutomationObject& object, std::initializer_list<PropertyValue> properties,
                     const FailureText& text, const CallSite& site);

// Open or create: the call on the parent, "LastErr" of the parent, then the returned
// object attached to a new helper. A result holding no object leaves the child empty.
template <class Child>
Child attachChild(const Variant& result) {
  Child child;
  const HRESULT hr = child.attach(*result.get());
  if (FAILED(hr) && hr != E_NOINTERFACE) throw ComError(hr);
  return child;
}

template <class Child, class Call>
Child openChild(AutomationObject& parent, Call&& call, const FailureText& text, const CallSite& site) {
  const Variant result = std::forward<Call>(call)();
  checkLastErr(parent, text, site);
  return attachChild<Child>(result);
}

}  // namespace Dravo
