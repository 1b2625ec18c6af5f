#include "mailobjects/dravo_account.h"

#include "automation/call_patterns.h"
#include "mailobjects/open_domain.h"

namespace Dravo {

DravoAccount::DravoAccount(DomainObject& domain, const std::wstring& name) : name_(name) {
  domain_ = domain.name();
  open(domain);
}

DravoAccount::DravoAccount(const std::wstring& name, const std::wstring& domain) : name_(name), domain_(domain) {
  DomainObject opened = openDomain(ApiObject(), domain);
  open(opened);
}

void DravoAccount::open(DomainObject& domain) {
  account_ = openChild<AccountObject>(
      domain, [&] { return domain.openAccount(name_); },
      [&] { return L"DravoCOM.DomainObject.OpenAccount failed for name=" + name_; },
      site("Dravo::DravoAccount::DravoAccount", __LINE__));
}

void DravoAccount::setStrProp(const std::wstring& property, const std::wstring& value) {
  writeProperties(account_, {{property, Variant(value)}},
                  [&] { return L"DravoCOM.AccountObject.Save failed to set str property. Account name " + name_; },
                  site("Dravo::DravoAccount::setStrProp", __LINE__));
}

}  // namespace Dravo
