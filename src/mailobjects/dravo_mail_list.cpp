#include "mailobjects/dravo_mail_list.h"

#include <shlwapi.h>

#include "automation/call_patterns.h"
#include "listfiles/list_file.h"
#include "mailobjects/list_file_property.h"
#include "mailobjects/list_members_file.h"
#include "mailobjects/open_domain.h"
#include "mailobjects/string_list.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "platform/unicode_name.h"
#include "automation/server_directories.h"

namespace Dravo {

AccountObject DravoMailList::createNewAccount(const std::wstring& name, const std::wstring& domain) {
  DomainObject opened = openDomain(ApiObject(), domain, domainEnabled_);
  return openChild<AccountObject>(
      opened, [&] { return opened.newAccount(name); },
      [&] { return L"DravoCOM.DomainObject.NewAccount failed for name=" + name; },
      site("Dravo::DravoMailList::createNewAccount", __LINE__));
}

DravoMailList::DravoMailList(const std::wstring& name, const std::wstring& domain) : name_(name), domain_(domain) {
  DomainObject opened = openDomain(ApiObject(), domain, domainEnabled_);
  account_ = openChild<AccountObject>(
      opened, [&] { return opened.openAccount(name); },
      [&] { return L"DravoCOM.DomainObject.OpenAccount failed for name=" + name; },
      site("Dravo::DravoMailList::DravoMailList", __LINE__));
}

DravoMailList::DravoMailList(const std::wstring& name, const std::wstring& domain, const std::wstring& adminAddress)
    : name_(name), domain_(domain) {
  account_ = createNewAccount(name, domain);
  writeProperties(account_,
                  {{L"U_Type", Variant::ofInt(1)},
                   {L"U_Name", Variant(name)},
                   {L"U_Alias", Variant(name)},
                   {L"U_Comment", Variant(L"Vanto mail list account")},
                   {L"M_OwnerAddress", Variant(adminAddress)},
                   {L"M_SendAllLists", Variant::ofInt(0)},
                   {listFileProperty(), Variant(defaultListFile(name, domain))}},
                  [&] {
                    return L"DravoCOM.AccountObject.Save failed for name=" + name_ + L" and domain " +
                           withUnicodeForm(domain_);
                  },
                  site("Dravo::DravoMailList::DravoMailList", __LINE__));
}

void DravoMailList::remove(const std::wstring& name, const std::wstring& domain) {
  DomainObject opened = openDomain(ApiObject(), domain);
  checkedCall(
      opened, [&] { opened.deleteAccount(name); },
      [&] { return L"DravoCOM.DomainObject.DeleteAccount failed for name=" + name; },
      site("Dravo::DravoMailList::remove", __LINE__));
}

std::wstring DravoMailList::defaultListFile(const std::wstring& name, const std::wstring& domain) {
  return VFileName::combine(domain, name + L".txt");
}

std::wstring DravoMailList::resolveListFile(const std::wstring& value, const std::wstring& domain, bool domainEnabled) {
  if (value.empty()) return value;
  std::wstring path = PathIsRelativeW(value.c_str()) ? configPath() + value : value;
  if (domainEnabled || domain.empty()) return path;
  // Only the first occurrence counts, and only when it is a whole path component: a
  // directory whose name merely contains the domain name is another directory.
  const std::size_t at = path.find(domain);
  if (at == std::wstring::npos) return path;
  const std::size_t end = at + domain.size();
  const bool starts = at == 0 || path[at - 1] == L'\\';
  const bool ends = end == path.size() || path[end] == L'\\';
  if (starts && ends) path.insert(end, L".d");
  return path;
}

std::wstring DravoMailList::listFile() {
  const std::wstring value = account_.getString(listFileProperty());
  return value.substr(0, value.find(L';'));
}

void DravoMailList::adminEMail(const std::wstring& address) {
  writeProperties(account_, {{L"M_OwnerAddress", Variant(address)}},
                  [&] { return L"DravoCOM.AccountObject.Save failed to set admin email. Maillist name " + name_; },
                  site("Dravo::DravoMailList::adminEMail", __LINE__));
}

void DravoMailList::enable(bool) { log(1, L"DravoMailList does not support enable(bool)"); }

void DravoMailList::members(StringList& addresses) {
  const std::wstring path = listFilePath();
  if (path.empty() || !pathExists(path)) return;
  splitMembers(readMemberFile(path), addresses);
}

void DravoMailList::addMember(const std::wstring& address) {
  if (account_.getString(listFileProperty()).empty()) {
    writeProperties(account_, {{listFileProperty(), Variant(defaultListFile(name_, domain_))}},
                    [&] { return L"DravoCOM.AccountObject.Save failed to add member. Maillist name " + name_; },
                    site("Dravo::DravoMailList::addMember", __LINE__));
  }
  const std::wstring path = listFilePath();
  std::string bytes = pathExists(path) ? readMemberFile(path) : std::string();
  bytes += toNarrow(address, CP_ACP) + "\r\n";  // no test for duplicates
  writeMemberFile(path, bytes);
}

void DravoMailList::delMember(const std::wstring& address) {
  if (account_.getString(listFileProperty()).empty()) {
    throwRuntimeError(L"Maillist is empty. Maillist name " + name_, site("Dravo::DravoMailList::delMember", __LINE__));
  }
  const std::wstring path = listFilePath();
  std::wstring text = toWide(readMemberFile(path), CP_ACP);
  delFromStrList(text, address, std::wstring(L"\r\n"));
  writeMemberFile(path, toNarrow(text, CP_ACP));
}

// The table has no destructor entry: the object ends its own life here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
void DravoMailList::release() { delete this; }
#pragma GCC diagnostic pop

}  // namespace Dravo
