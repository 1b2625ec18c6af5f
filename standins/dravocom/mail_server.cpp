#include "mail_server.h"

#include <windows.h>

#include <algorithm>

#include "last_err.h"
#include "text.h"

namespace {

bool directoryExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool pathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void applyChanges(PropertyMap& properties, const PropertyMap& changes) {
  for (const auto& [name, value] : changes) {
    if (value.type == VT_EMPTY) {
      properties.erase(name);
    } else {
      properties[name] = value;
    }
  }
}

std::wstring joinNames(const auto& items) {
  std::wstring list;
  for (const auto& item : items) list += (list.empty() ? L"" : L";") + item.name;
  return list;
}

}  // namespace

MailServer::Domain* MailServer::domain(const std::wstring& name) {
  const auto it =
      std::find_if(domains_.begin(), domains_.end(), [&](const Domain& d) { return sameNoCase(d.name, name); });
  return it == domains_.end() ? nullptr : &*it;
}

MailServer::Account* MailServer::account(Domain& domain, const std::wstring& name) {
  // Clients mostly walk a domain's accounts in order, so the search starts at the last one found.
  const std::size_t count = domain.accounts.size();
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = (domain.lastFound + k) % count;
    if (sameNoCase(domain.accounts[i].name, name)) {
      domain.lastFound = i;
      return &domain.accounts[i];
    }
  }
  return nullptr;
}

long MailServer::serverProperty(const std::wstring& name, PropertyValue& value) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  // The directories are published from the root unless written otherwise; the server's own
  // files stay under the root's configuration directory whatever "C_ConfigPath" says.
  const auto it = serverProperties_.find(name);
  if (it != serverProperties_.end()) {
    value = it->second;
  } else if (name == L"C_ConfigPath") {
    value = PropertyValue::ofText(configPath());
  } else if (name == L"C_MailPath") {
    value = PropertyValue::ofText(root() + L"\\Mail");
  } else if (name == L"C_LogPath") {
    value = PropertyValue::ofText(root() + L"\\Logs");
  } else {
    value = {};
  }
  return lasterr::ok;
}

long MailServer::saveServer(const PropertyMap& changes) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  PropertyMap next = serverProperties_;
  applyChanges(next, changes);
  if (!writeServer(next)) return lasterr::ioFailure;
  serverProperties_ = std::move(next);
  return lasterr::ok;
}

long MailServer::findDomain(const std::wstring& name, std::wstring& stored) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  const Domain* found = domain(name);
  if (!found) return lasterr::notFound;
  stored = found->name;
  return lasterr::ok;
}

long MailServer::newDomain(const std::wstring& name, std::wstring& stored) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  if (!usableName(name)) return lasterr::badName;
  if (domain(name)) return lasterr::nameTaken;
  // Accounts of an earlier domain of that name, left in its directory, do not come back.
  if (!writeAccounts(domainDirectory(name), {})) return lasterr::ioFailure;
  std::vector<Domain> next = domains_;
  next.push_back({name, {{L"D_Type", PropertyValue::ofNumber(VT_I4, 0)}}, {}});
  if (!writeDomains(next)) return lasterr::ioFailure;
  domains_ = std::move(next);
  stored = name;
  return lasterr::ok;
}

long MailServer::deleteDomain(const std::wstring& name) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  const Domain* found = domain(name);
  if (!found) return lasterr::notFound;
  const std::wstring stored = found->name;
  std::vector<Domain> next;
  for (const auto& d : domains_) {
    if (&d != found) next.push_back(d);
  }
  if (!writeDomains(next)) return lasterr::ioFailure;
  domains_ = std::move(next);
  removeAccounts(stored);
  return lasterr::ok;
}

long MailServer::renameDomain(const std::wstring& from, const std::wstring& to) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  Domain* found = domain(from);
  if (!found) return lasterr::notFound;
  if (!usableName(to)) return lasterr::badName;
  if (const Domain* other = domain(to); other && other != found) return lasterr::nameTaken;
  const std::wstring oldDirectory = domainDirectory(found->name);
  const std::wstring newDirectory = domainDirectory(to);
  bool moved = false;
  if (!sameNoCase(found->name, to)) {
    if (pathExists(newDirectory)) return lasterr::directoryInTheWay;
    if (directoryExists(oldDirectory)) {
      if (!MoveFileW(oldDirectory.c_str(), newDirectory.c_str())) return lasterr::ioFailure;
      moved = true;
    } else if (!writeAccounts(newDirectory, found->accounts)) {
      return lasterr::ioFailure;
    }
  }
  std::vector<Domain> next = domains_;
  next[static_cast<size_t>(found - domains_.data())].name = to;
  if (!writeDomains(next)) {
    if (moved) MoveFileW(newDirectory.c_str(), oldDirectory.c_str());
    return lasterr::ioFailure;
  }
  domains_ = std::move(next);
  return lasterr::ok;
}

long MailServer::domainList(std::wstring& list) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  list = joinNames(domains_);
  return lasterr::ok;
}

long MailServer::domainProperty(const std::wstring& name, const std::wstring& property, PropertyValue& value) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  const Domain* found = domain(name);
  if (!found) return lasterr::notFound;
  const auto it = found->properties.find(property);
  value = it == found->properties.end() ? PropertyValue{} : it->second;
  return lasterr::ok;
}

long MailServer::saveDomain(const std::wstring& name, const PropertyMap& changes) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  const Domain* found = domain(name);
  if (!found) return lasterr::notFound;
  std::vector<Domain> next = domains_;
  applyChanges(next[static_cast<size_t>(found - domains_.data())].properties, changes);
  if (!writeDomains(next)) return lasterr::ioFailure;
  domains_ = std::move(next);
  return lasterr::ok;
}

long MailServer::findAccount(const std::wstring& domainName, const std::wstring& name, std::wstring& stored) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  Domain* d = domain(domainName);
  const Account* found = d ? account(*d, name) : nullptr;
  if (!found) return lasterr::notFound;
  stored = found->name;
  return lasterr::ok;
}

long MailServer::newAccount(const std::wstring& domainName, const std::wstring& name, std::wstring& stored) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  Domain* d = domain(domainName);
  if (!d) return lasterr::notFound;
  if (!usableName(name)) return lasterr::badName;
  if (account(*d, name)) return lasterr::nameTaken;
  std::vector<Account> next = d->accounts;
  next.push_back({name, {{L"U_Type", PropertyValue::ofNumber(VT_I4, 0)}}});
  if (!writeAccounts(domainDirectory(d->name), next)) return lasterr::ioFailure;
  d->accounts = std::move(next);
  stored = name;
  return lasterr::ok;
}

long MailServer::deleteAccount(const std::wstring& domainName, const std::wstring& name) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  Domain* d = domain(domainName);
  const Account* found = d ? account(*d, name) : nullptr;
  if (!found) return lasterr::notFound;
  std::vector<Account> next;
  for (const auto& a : d->accounts) {
    if (&a != found) next.push_back(a);
  }
  if (!writeAccounts(domainDirectory(d->name), next)) return lasterr::ioFailure;
  d->accounts = std::move(next);
  return lasterr::ok;
}

long MailServer::accountList(const std::wstring& domainName, std::wstring& list) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  const Domain* d = domain(domainName);
  if (!d) return lasterr::notFound;
  list = joinNames(d->accounts);
  return lasterr::ok;
}

long MailServer::accountProperty(const std::wstring& domainName, const std::wstring& name,
                                 const std::wstring& property, PropertyValue& value) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  Domain* d = domain(domainName);
  const Account* found = d ? account(*d, name) : nullptr;
  if (!found) return lasterr::notFound;
  const auto it = found->properties.find(property);
  if (property == L"U_Name") {
    value = PropertyValue::ofText(found->name);
  } else {
    value = it == found->properties.end() ? PropertyValue{} : it->second;
  }
  return lasterr::ok;
}

long MailServer::saveAccount(const std::wstring& domainName, std::wstring& name, const PropertyMap& changes) {
  if (const long result = ensureLoaded(); result != lasterr::ok) return result;
  Domain* d = domain(domainName);
  Account* found = d ? account(*d, name) : nullptr;
  if (!found) return lasterr::notFound;
  std::vector<Account> next = d->accounts;
  Account& changed = next[static_cast<size_t>(found - d->accounts.data())];
  PropertyMap rest = changes;
  if (const auto it = rest.find(L"U_Name"); it != rest.end()) {
    const std::wstring newName = it->second.text;
    if (it->second.type != VT_BSTR || !usableName(newName)) return lasterr::badName;
    if (const Account* other = account(*d, newName); other && other != found) return lasterr::nameTaken;
    changed.name = newName;
    rest.erase(it);
  }
  applyChanges(changed.properties, rest);
  if (!writeAccounts(domainDirectory(d->name), next)) return lasterr::ioFailure;
  name = changed.name;
  d->accounts = std::move(next);
  return lasterr::ok;
}
