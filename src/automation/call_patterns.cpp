#include "automation/call_patterns.h"

namespace Dravo {

void checkLastErr(AutomationObject& object, const FailureText& text, const CallSite& site) {
  if (object.lastErr() < 0) throwRuntimeError(text(), site);
}

void writeProperties(AutomationObject& object, std::initializer_list<PropertyValue> properties,
                     const FailureText& text, const CallSite& site) {
  for (const PropertyValue& property : properties) object.setProperty(property.name, property.value);
  object.save();
  checkLastErr(object, text, site);
}

}  // namespace Dravo
