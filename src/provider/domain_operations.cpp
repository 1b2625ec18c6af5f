// Provider operations on domains and their directories.

#include <new>

#include "automation/automation_objects.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/string_list.h"
#include "platform/file_name.h"
#include "provider/dravo_provider.h"
#include "automation/server_directories.h"

namespace Dravo {

MailDomain* DravoProvider::createDomain(const std::wstring& name, int limit) {
  return new (std::nothrow) DravoDomain(name, limit);
}

MailDomain* DravoProvider::openDomain(const std::wstring& name) { return new (std::nothrow) DravoDomain(name); }

void DravoProvider::removeDomain(const std::wstring& name) { DravoDomain::remove(name); }

void DravoProvider::domains(StringList& names) {
  ApiObject api;
  StringList listed;
  tokenize(listed, api.getDomainList(), L";");
  for (const std::wstring& name : listed) names.push_back(plainDomainName(name));
}

void DravoProvider::mailNames(const std::wstring& domain, StringList& names) { DravoDomain(domain).mailNames(names); }

void DravoProvider::mailLists(const std::wstring& domain, StringList& names) { DravoDomain(domain).mailLists(names); }

void DravoProvider::domainMailPaths(const std::wstring& domain, const std::wstring&, StringList& paths) {
  paths.push_back(VFileName::combine(Dravo::mailPath(), domain));
}

void DravoProvider::mailPaths(StringList& paths) { paths.push_back(trimRight(Dravo::mailPath(), L"\\/")); }

}  // namespace Dravo
