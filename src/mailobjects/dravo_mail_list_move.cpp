// Renaming a mailing list and moving it to another domain, together with its list file
// when that file carries the list's default name.

#include <iterator>

#include "automation/call_patterns.h"
#include "listfiles/list_file.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "platform/directories.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/log_manager.h"

namespace Dravo {
namespace {

constexpr const wchar_t* copiedProperties[] = {
    L"U_Type", L"U_BlackWhiteFilter", L"U_Name", L"U_Alias", L"U_Comment",
    L"M_OwnerAddress", L"M_CopyToOwner", L"M_DigestConfirmed", L"M_ListServer", L"M_SendToSender",
    L"M_SubListFile", L"M_SendAllLists", L"M_HeaderFile", L"M_FooterFile", L"M_Moderated",
    L"M_ModeratedPassword", L"M_DenyEXPNList", L"M_MaxList", L"M_MaxListSize", L"M_SetFromTo",
    L"M_SetFromToValue", L"M_HelpFile", L"M_MembersOnly", L"M_ReplyTo", L"M_SwitchFields",
    L"M_AddToSubject", L"M_JoinR", L"M_LeaveR", L"M_ListsR", L"M_WhichR",
    L"M_ReviewR", L"M_ListSubject", L"M_ListSender", L"M_SeparateTo", L"M_ServerModerated",
    L"M_ListNotify", L"M_RemoveDead", L"M_ListBatch", L"M_Personalized"};
static_assert(std::size(copiedProperties) == 39);

}  // namespace

void DravoMailList::copyListProperties(AccountObject& from, AccountObject& to) {
  for (const wchar_t* property : copiedProperties) to.setProperty(property, from.getProperty(property));
  to.setProperty(listFileProperty(), from.getProperty(listFileProperty()));
}

void DravoMailList::name(const std::wstring& newName) {
  account_.setProperty(L"U_Alias", Variant(newName));
  account_.setProperty(L"U_Name", Variant(newName));
  if (listFile() == defaultListFile(name_, domain_)) {
    const std::wstring renamed = defaultListFile(newName, domain_);
    const std::wstring from = resolveListFile(defaultListFile(name_, domain_), domain_, domainEnabled_);
    if (pathExists(from)) renameFile(from, resolveListFile(renamed, domain_, domainEnabled_));
    account_.setProperty(listFileProperty(), Variant(renamed));
  }
  account_.save();
  checkLastErr(
      account_, [&] { return L"DravoCOM.AccountObject.Save failed to rename " + name_ + L" to " + newName; },
      site("Dravo::DravoMailList::name", __LINE__));
  name_ = newName;
}

void DravoMailList::domain(const std::wstring& newDomain) {
  // Creating the account records the new domain's state; the object keeps the old
  // domain's until the move has succeeded, also when the new domain cannot be opened.
  const bool oldDomainEnabled = domainEnabled_;
  AccountObject moved;
  try {
    moved = createNewAccount(name_, newDomain);
  } catch (...) {
    domainEnabled_ = oldDomainEnabled;
    throw;
  }
  const bool newDomainEnabled = domainEnabled_;
  domainEnabled_ = oldDomainEnabled;
  copyListProperties(account_, moved);
  if (listFile() == defaultListFile(name_, domain_)) {
    const std::wstring relative = defaultListFile(name_, newDomain);
    const std::wstring from = resolveListFile(defaultListFile(name_, domain_), domain_, oldDomainEnabled);
    if (pathExists(from)) {
      const std::wstring to = resolveListFile(relative, newDomain, newDomainEnabled);
      const std::wstring directory = parentDir(to);
      if (!pathExists(directory)) makeDirs(directory);
      renameFile(from, to);
    }
    moved.setProperty(listFileProperty(), Variant(relative));
  }
  moved.save();
  checkLastErr(
      moved, [&] { return L"DravoCOM.AccountObject.Save failed for new mail account. Mailname " + name_; },
      site("Dravo::DravoMailList::domain", __LINE__));
  account_.remove();
  if (account_.lastErr() < 0) log(1, L"DravoCOM.AccountObject.Delete failed. Mailname %s", name_.c_str());
  account_ = std::move(moved);
  domain_ = newDomain;
  domainEnabled_ = newDomainEnabled;
}

}  // namespace Dravo
