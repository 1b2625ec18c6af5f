// Renaming and removing a domain: the server's record, the domain's directories in the
// mail store and the configuration directory, its aliases and its accounts' paths.

#include "automation/call_patterns.h"
#include "mailobjects/dravo_account.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/list_file_property.h"
#include "mailobjects/open_domain.h"
#include "mailobjects/string_list.h"
#include "platform/directories.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/format.h"
#include "platform/rename_dir.h"
#include "platform/unicode_name.h"
#include "automation/server_directories.h"

namespace Dravo {
namespace {

// The first "\" component of path replaced, when it equals from.
bool replaceFirstComponent(std::wstring& path, const std::wstring& from, const std::wstring& to) {
  const std::size_t end = std::min(path.find(L'\\'), path.size());
  if (path.compare(0, end, from) != 0) return false;
  path.replace(0, end, to);
  return true;
}

void renameAccount(DravoAccount& account, const std::wstring& oldName, const std::wstring& newName) {
  switch (account.type()) {
    case 0: {
      std::wstring mailbox = account.getStrProp(L"U_Mailbox");
      if (const std::size_t at = mailbox.find(L'@'); at != std::wstring::npos) {
        account.setStrProp(L"U_Mailbox", mailbox.substr(0, at + 1) + newName);
      }
      std::wstring path = account.getStrProp(L"U_MailBoxPath");
      if (replaceFirstComponent(path, oldName, newName)) account.setStrProp(L"U_MailBoxPath", path);
      break;
    }
    case 1: {
      std::wstring listFile = account.getStrProp(listFileProperty());
      listFile = listFile.substr(0, listFile.find(L';'));
      if (replaceFirstComponent(listFile, oldName, newName)) account.setStrProp(listFileProperty(), listFile);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void DravoDomain::name(const std::wstring& newName) {
  ApiObject api;
  const bool enabled = isEnabled();
  const std::wstring from = serverDomainName(name_, enabled), to = serverDomainName(newName, enabled);
  checkedCall(
      api, [&] { api.renameDomain(from, to); },
      [&] {
        return format(L"DravoCOM.APIObject.RenameDomain failed for oldname=%s [%s] and newname=%s [%s]", from.c_str(),
                      unicodeForm(from).c_str(), to.c_str(), unicodeForm(to).c_str());
      },
      site("Dravo::DravoDomain::name", __LINE__));
  domain_ = openDomain(api, newName);

  // The directories carry the plain names, also while the domain is disabled.
  for (const std::wstring& base : {mailPath(), configPath()}) {
    const std::wstring oldDir = base + name_;
    if (!oldDir.empty() && pathExists(oldDir)) renameDir(oldDir, base + newName, false);
  }
  const std::wstring oldName = name_;
  forEachAlias(oldName, [&](DravoDomain& alias) { alias.setStrProp(L"D_DomainValue", newName); });
  renameAccounts(oldName, newName);
  name_ = newName;
}

void DravoDomain::renameAccounts(const std::wstring& oldName, const std::wstring& newName) {
  StringList accounts;
  tokenize(accounts, domain_.getAccountList(), L";");
  for (const std::wstring& name : accounts) {
    DravoAccount account(domain_, name);
    renameAccount(account, oldName, newName);
  }
}

void DravoDomain::remove(const std::wstring& name) {
  ApiObject api;
  std::wstring deleted = name;
  api.deleteDomain(deleted);
  if (api.lastErr() < 0) {
    deleted = serverDomainName(name, false);
    checkedCall(
        api, [&] { api.deleteDomain(deleted); },
        [&] { return L"DravoCOM.APIObject.DeleteDomain failed for name=" + withUnicodeForm(name); },
        site("Dravo::DravoDomain::remove", __LINE__));
  }
  for (const std::wstring& base : {mailPath(), configPath()}) {
    const std::wstring dir = base + deleted;
    if (!dir.empty() && pathExists(dir)) removeDir(dir, true);
  }
  forEachAlias(name, [](DravoDomain& alias) { remove(alias.name()); });
}

}  // namespace Dravo
