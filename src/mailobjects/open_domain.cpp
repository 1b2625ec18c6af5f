#include "mailobjects/open_domain.h"

#include "automation/call_patterns.h"
#include "platform/unicode_name.h"

namespace Dravo {

DomainObject openDomain(ApiObject api, const std::wstring& name, bool& enabled) {
  enabled = true;
  const Variant result = api.openDomain(name);
  if (api.lastErr() < 0) {
    DomainObject disabled = openChild<DomainObject>(
        api, [&] { return api.openDomain(serverDomainName(name, false)); },
        [&] { return L"DravoCOM.APIObject.OpenDomain failed for name=" + withUnicodeForm(name); },
        site("Dravo::openDomain", __LINE__));
    enabled = false;  // only once the domain was found under its disabled name
    return disabled;
  }
  return attachChild<DomainObject>(result);
}

DomainObject openDomain(ApiObject api, const std::wstring& name) {
  bool enabled = true;
  return openDomain(std::move(api), name, enabled);
}

}  // namespace Dravo
