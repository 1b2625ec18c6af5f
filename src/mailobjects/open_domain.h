#pragma once
#include <string>

#include "automation/automation_objects.h"

namespace Dravo {

// Opens an existing domain, also one that is disabled (held by the server under its
// name followed by ".d"); enabled tells which of the two was found.
DomainObject openDomain(ApiObject api, const std::wstring& name, bool& enabled);
DomainObject openDomain(ApiObject api, const std::wstring& name);

// The server's name of a domain in the given state.
inline std::wstring serverDomainName(const std::wstring& name, bool enabled) { return enabled ? name : name + L".d"; }

}  // namespace Dravo
