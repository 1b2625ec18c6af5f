#include "mailobjects/dravo_domain.h"

#include "automation/call_patterns.h"
#include "mailobjects/dravo_account.h"
#include "mailobjects/open_domain.h"
#include "mailobjects/string_list.h"
#include "platform/unicode_name.h"
#include "platform/format.h"
#include "automation/server_directories.h"

namespace Dravo {
namespace {

constexpr wchar_t description[] = L"Vanto mail domain";
constexpr long aliasType = 2;

long kilobytes(int bytes) { return bytes / 1024; }

void switchOn(ApiObject& api, const wchar_t* property, const wchar_t* failure, const char* function) {
  writeProperties(api, {{property, Variant::ofInt(1)}}, [&] { return std::wstring(failure); },
                  site(function, __LINE__));
}

std::wstring renameFailure(const std::wstring& from, const std::wstring& to) {
  return format(L"DravoCOM.APIObject.RenameDomain failed for oldname=%s [%s] and newname=%s [%s]", from.c_str(),
                unicodeForm(from).c_str(), to.c_str(), unicodeForm(to).c_str());
}

}  // namespace

DravoDomain::DravoDomain(const std::wstring& name, int limit) : name_(name) {
  ApiObject api;
  if (limit > 0) {
    switchOn(api, L"C_Config_UseDomainLimits", L"DravoCOM.APIObject.Save failed to turn on disk quota",
             "Dravo::DravoDomain::DravoDomain");
  }
  domain_ = openChild<DomainObject>(
      api, [&] { return api.newDomain(name_); },
      [&] { return L"DravoCOM.APIObject.NewDomain failed for name=" + named(); },
      site("Dravo::DravoDomain::DravoDomain", __LINE__));
  writeProperties(domain_,
                  {{L"D_UserMailbox", Variant::ofI4(kilobytes(limit))}, {L"D_Description", Variant(description)}},
                  [&] { return L"DravoCOM.DomainObject.Save failed for name=" + named(); },
                  site("Dravo::DravoDomain::DravoDomain", __LINE__));
}

DravoDomain::DravoDomain(const std::wstring& name) : DravoDomain(ApiObject(), name) {}

DravoDomain::DravoDomain(ApiObject api, const std::wstring& name) : name_(name), domain_(openDomain(std::move(api), name)) {}

std::wstring DravoDomain::named() const { return withUnicodeForm(name_); }

bool DravoDomain::isEnabled() { return !domain_.getFlag(L"D_DisableLogin"); }

void DravoDomain::setLimit(const wchar_t* switchProperty, const wchar_t* property, int bytes, const wchar_t* what,
                           const char* function) {
  if (bytes > 0) {
    ApiObject api;
    switchOn(api, switchProperty, L"DravoCOM.APIObject.Save failed to turn on disk quota", function);
  }
  writeProperties(domain_, {{property, Variant::ofI4(kilobytes(bytes))}},
                  [&] { return std::wstring(L"DravoCOM.DomainObject.Save failed to change ") + what + L". Domain " + named(); },
                  site(function, __LINE__));
}

void DravoDomain::quota(int bytes) {
  setLimit(L"C_Config_UseDomainLimits", L"D_UserMailbox", bytes, L"domain quota", "Dravo::DravoDomain::quota");
}

int DravoDomain::quota() { return static_cast<int>(domain_.getNumber(L"D_UserMailbox") * 1024); }

void DravoDomain::totalQuota(int bytes) {
  setLimit(L"C_Config_System_DiskQuota", L"D_DiskQuota", bytes, L"total domain quota",
           "Dravo::DravoDomain::totalQuota");
}

int DravoDomain::totalQuota() { return static_cast<int>(domain_.getNumber(L"D_DiskQuota") * 1024); }

void DravoDomain::enable(bool on) {
  const std::wstring current = domain_.name();
  const std::wstring target = serverDomainName(name_, on);
  if (isEnabled() == on && current == target) return;

  ApiObject api;
  checkedCall(api, [&] { api.renameDomain(current, target); }, [&] { return renameFailure(current, target); },
              site("Dravo::DravoDomain::enable", __LINE__));
  domain_ = openChild<DomainObject>(
      api, [&] { return api.openDomain(target); },
      [&] { return L"DravoCOM.APIObject.OpenDomain failed for name=" + withUnicodeForm(target); },
      site("Dravo::DravoDomain::enable", __LINE__));
  if (type() == 0) {
    forEachAlias(name_, [on](DravoDomain& alias) { alias.enable(on); });
    switchOn(api, L"C_Config_UseDomainLimits", L"DravoCOM.APIObject.Save failed to turn on domain limits",
             "Dravo::DravoDomain::enable");
  }
  writeProperties(domain_, {{L"D_DisableLogin", Variant::ofBool(!on)}},
                  [&] { return L"DravoCOM.DomainObject.Save failed to change domain enable/disable state. Domain " + named(); },
                  site("Dravo::DravoDomain::enable", __LINE__));
}

void DravoDomain::bounce(const std::wstring& message) {
  if (!message.empty()) throwRuntimeError(L"Not supported", site("Dravo::DravoDomain::bounce", __LINE__));
}

void DravoDomain::catchToEmail(const std::wstring& address) {
  writeProperties(domain_,
                  {{L"D_UnknownUsersType", Variant::ofInt(address.empty() ? 0 : 1)},
                   {L"D_UnknownForwardTo", Variant(address)}},
                  [&] { return L"DravoCOM.DomainObject.Save failed to change catch to email. Domain " + named(); },
                  site("Dravo::DravoDomain::catchToEmail", __LINE__));
}

std::wstring DravoDomain::catchToEmail() { return domain_.getString(L"D_UnknownForwardTo"); }

void DravoDomain::discard(bool on) {
  writeProperties(domain_, {{L"D_UnknownUsersType", Variant::ofInt(on ? 2 : 0)}},
                  [&] { return L"DravoCOM.DomainObject.Save failed to change discard mode. Domain " + named(); },
                  site("Dravo::DravoDomain::discard", __LINE__));
}

bool DravoDomain::discard() { return domain_.getNumber(L"D_UnknownUsersType") == 2; }

void DravoDomain::setStrProp(const std::wstring& property, const std::wstring& value) {
  writeProperties(domain_, {{property, Variant(value)}},
                  [&] { return L"DravoCOM.DomainObject.Save failed to set string property. Domain name " + named(); },
                  site("Dravo::DravoDomain::setStrProp", __LINE__));
}

void DravoDomain::accountsOfType(long type, StringList& names) {
  StringList accounts;
  tokenize(accounts, domain_.getAccountList(), L";");
  for (const std::wstring& account : accounts) {
    if (DravoAccount(domain_, account).type() == type) names.push_back(account);
  }
}

// The table has no destructor entry: the object ends its own life here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
void DravoDomain::release() { delete this; }
#pragma GCC diagnostic pop

std::wstring plainDomainName(const std::wstring& listed) {
  const bool disabled = listed.size() > 2 && listed.compare(listed.size() - 2, 2, L".d") == 0;
  return disabled ? listed.substr(0, listed.size() - 2) : listed;
}

void forEachAlias(const std::wstring& target, const std::function<void(DravoDomain&)>& action) {
  ApiObject api;
  StringList listed;
  tokenize(listed, api.getDomainList(), L";");
  for (const std::wstring& name : listed) {
    DravoDomain domain(api, plainDomainName(name));
    if (domain.type() == aliasType && domain.getStrProp(L"D_DomainValue") == target) action(domain);
  }
}

}  // namespace Dravo
