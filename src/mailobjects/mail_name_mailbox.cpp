// The parts of a mail name that live on disk: the mailbox directory that moves with a
// rename or a move to another domain, its size, and the attachment directory.

#include <deque>
#include <iterator>

#include <shlwapi.h>

#include "automation/call_patterns.h"
#include "mailobjects/dravo_mail_name.h"
#include "mailobjects/string_list.h"
#include "platform/directories.h"
#include "platform/file_finder.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/log_manager.h"
#include "platform/rename_dir.h"
#include "automation/server_directories.h"

namespace Dravo {
namespace {

constexpr const wchar_t* copiedProperties[] = {
    L"U_Type", L"U_BlackWhiteFilter", L"U_Name", L"U_Alias", L"U_Comment", L"U_Mailbox", L"U_AccountDisabled",
    L"U_AccountValid", L"U_AccountValidTill", L"U_AllowRemote", L"U_ValidityReport", L"U_ValidityReportDays",
    L"U_AuthMode", L"U_AccountType", L"U_IMAPMailbox", L"U_MaxMessageSize", L"U_ETRN", L"U_DeleteExpire", L"U_NULL",
    L"U_Password", L"U_AuthModeValue", L"U_DomainAdmin", L"U_MailBoxPath", L"U_Admin", L"U_MaxBox", L"U_MaxBoxSize",
    L"U_Respond", L"U_ServicesAccess", L"U_UseRemoteAddress", L"U_ForwardTo", L"U_RespondWith", L"U_MailIn",
    L"U_MailOut", L"U_ValidReport", L"U_DeleteOlder", L"U_DeleteOlderDays", L"U_ForwardOlder",
    L"U_ForwardOlderDays", L"U_ForwardOlderTo", L"U_RemoteAddress", L"U_ForceFromAddress", L"U_MegabyteSendLimit",
    L"U_NumberSendLimit", L"U_NoMailList", L"U_XEnvelopeTo", L"U_ReplyFrom", L"U_RespondOnlyIfToMe",
    L"U_SpamAdmin", L"U_SpamFolder", L"U_InactiveFor", L"U_RespondPeriod", L"U_IASCustom"};
static_assert(std::size(copiedProperties) == 52);

}  // namespace

void DravoMailName::copyProperties(AccountObject& from, AccountObject& to) {
  for (const wchar_t* property : copiedProperties) to.setProperty(property, from.getProperty(property));
}

void DravoMailName::name(const std::wstring& newName) {
  std::wstring aliases = aliasList(false, "Dravo::DravoMailName::name");
  replaceInStrList(aliases, name_, newName);
  account_.setProperty(L"U_Alias", Variant(aliases));
  account_.setProperty(L"U_Name", Variant(newName));
  account_.setProperty(L"U_Mailbox", Variant(newName + L"@" + domain_));
  const std::wstring path = trimRight(account_.getString(L"U_MailBoxPath"), L"\\/");
  if (path == defaultMailboxPath(domain_, name_)) {
    const std::wstring mail = mailPath();
    if (pathExists(mail + path)) renameDir(mail + path, mail + defaultMailboxPath(domain_, newName), false);
    account_.setProperty(L"U_MailBoxPath", Variant(defaultMailboxPath(domain_, newName)));
  }
  account_.save();
  checkLastErr(
      account_,
      [&] { return L"DravoCOM.AccountObject.Save failed to rename mailname. Old name " + name_ + L" New name " + newName; },
      site("Dravo::DravoMailName::name", __LINE__));
  name_ = newName;
}

void DravoMailName::domain(const std::wstring& newDomain) {
  AccountObject moved = createNewAccount(name_, newDomain);
  copyProperties(account_, moved);
  moved.setProperty(L"U_Mailbox", Variant(name_ + L"@" + newDomain));
  const std::wstring path = trimRight(account_.getString(L"U_MailBoxPath"), L"\\/");
  if (path == defaultMailboxPath(domain_, name_)) {
    const std::wstring mail = mailPath();
    if (pathExists(mail + path)) {
      if (!pathExists(mail + newDomain)) makeDir(mail + newDomain);
      renameDir(mail + path, mail + defaultMailboxPath(newDomain, name_), false);
    }
    moved.setProperty(L"U_MailBoxPath", Variant(defaultMailboxPath(newDomain, name_)));
  }
  moved.save();
  checkLastErr(
      moved, [&] { return L"DravoCOM.AccountObject.Save failed for new mail account. Mailname " + name_; },
      site("Dravo::DravoMailName::domain", __LINE__));
  account_.remove();
  if (account_.lastErr() < 0) log(1, L"DravoCOM.AccountObject.Delete failed. Mailname %s", name_.c_str());
  account_ = std::move(moved);
  domain_ = newDomain;
}

unsigned DravoMailName::mailboxSize() {
  const Variant value = account_.getProperty(L"U_MailBoxPath");
  if (isNullString(value)) return 0;
  std::wstring root = asString(value);
  if (PathIsRelativeW(root.c_str())) root = mailPath() + root;
  unsigned total = 0;  // wraps at 2^32 as the interface's 32-bit result does
  std::deque<std::wstring> pending{root};
  while (!pending.empty()) {
    const std::wstring directory = pending.front();
    pending.pop_front();
    VFileFinder finder;
    for (bool found = finder.first(VFileName::combine(directory, L"*.*")); found; found = finder.next()) {
      if (finder.isDotEntry()) continue;
      if (finder.isDirectory()) pending.push_back(VFileName::combine(directory, finder.name()));
      else total += finder.data().nFileSizeLow;
    }
  }
  return total;
}

std::wstring DravoMailName::attachmentDir() const { return mailPath() + domain_ + L"\\" + name_ + L"\\Attachments"; }

void DravoMailName::attachments(StringList& paths) {
  const std::wstring directory = attachmentDir();
  VFileFinder finder;
  for (bool found = finder.first(directory + L"\\*.*"); found; found = finder.next()) {
    if (!finder.isDirectory()) paths.push_back(directory + L"\\" + finder.name());
  }
}

void DravoMailName::addAttachment(const std::wstring& sourcePath, const std::wstring& fileName) {
  const std::wstring directory = attachmentDir();
  if (directory.empty() || !pathExists(directory)) makeDir(directory);
  copyFile(sourcePath, directory + L"\\" + fileName, false);
}

void DravoMailName::delAttachment(const std::wstring& fileName) { removeFile(attachmentDir() + L"\\" + fileName, true); }

}  // namespace Dravo
