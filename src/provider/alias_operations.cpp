// Domain aliases: ordinary domains of the server whose type is 2 and whose value names
// the domain they point at. An alias follows the enabled state of that domain, read
// afresh each time, in its server name ("alias.d" while the domain is disabled).

#include "automation/call_patterns.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/open_domain.h"
#include "platform/unicode_name.h"
#include "platform/format.h"
#include "provider/dravo_provider.h"

namespace Dravo {
namespace {

constexpr long aliasType = 2;

bool domainEnabled(const ApiObject& api, const std::wstring& domain) { return DravoDomain(api, domain).isEnabled(); }

}  // namespace

void DravoProvider::addAlias(const std::wstring& domain, const std::wstring& alias) {
  const char* const operation = "Dravo::DravoProvider::addAlias";
  ApiObject api;
  const bool enabled = domainEnabled(api, domain);
  DomainObject created = openChild<DomainObject>(
      api, [&] { return api.newDomain(serverDomainName(alias, enabled)); },
      [&] { return L"DravoCOM.APIObject.NewDomain failed for name=" + withUnicodeForm(alias); }, site(operation, 551));
  writeProperties(created,
                  {{L"D_Description", Variant(L"Vanto mail domain alias")},
                   {L"D_Type", Variant::ofInt(aliasType)},
                   {L"D_DomainValue", Variant(domain)},
                   {L"D_DisableLogin", Variant::ofBool(!enabled)}},
                  [&] { return L"DravoCOM.DomainObject.Save failed for name=" + withUnicodeForm(alias); },
                  site(operation, 560));
}

void DravoProvider::delAlias(const std::wstring& domain, const std::wstring& alias) {
  ApiObject api;
  const bool enabled = domainEnabled(api, domain);
  checkedCall(
      api, [&] { api.deleteDomain(serverDomainName(alias, enabled)); },
      [&] { return L"DravoCOM.APIObject.DeleteDomain failed for name=" + withUnicodeForm(alias); },
      site("Dravo::DravoProvider::delAlias", 569));
}

void DravoProvider::renameAlias(const std::wstring& domain, const std::wstring& oldAlias, const std::wstring& newAlias) {
  ApiObject api;
  const bool enabled = domainEnabled(api, domain);
  checkedCall(
      api, [&] { api.renameDomain(serverDomainName(oldAlias, enabled), serverDomainName(newAlias, enabled)); },
      [&] {
        return format(L"DravoCOM.APIObject.RenameDomain failed for oldname=%s [%s] and newname=%s [%s]",
                      oldAlias.c_str(), unicodeForm(oldAlias).c_str(), newAlias.c_str(), unicodeForm(newAlias).c_str());
      },
      site("Dravo::DravoProvider::renameAlias", 578));
}

void DravoProvider::domainAliases(const std::wstring& domain, StringList& aliases) {
  forEachAlias(domain, [&](DravoDomain& alias) { aliases.push_back(alias.name()); });
}

}  // namespace Dravo
