// Provider operations that store a mailbox's directory and its attachments directory in
// the mail archive and bring them back.

#include <shlwapi.h>

#include "archive/tree_copy.h"
#include "interfaces/mail_storage.h"
#include "mailobjects/dravo_account.h"
#include "platform/exceptions.h"
#include "platform/file_operations.h"
#include "provider/dravo_provider.h"
#include "automation/server_directories.h"

namespace Dravo {
namespace {

std::wstring attachmentsDirectory(const std::wstring& mailPath, const std::wstring& domain, const std::wstring& name) {
  return mailPath + domain + L"\\" + name + L"\\Attachments";
}

// When the attachments directory lies inside the mailbox directory, the first-level
// directory below the mailbox that leads to it: it is stored on its own.
StringList mailboxExclusions(const std::wstring& mailboxPath, const std::wstring& attachments) {
  StringList exclusions;
  if (attachments.compare(0, mailboxPath.size(), mailboxPath) == 0) {
    std::wstring rest = attachments.substr(mailboxPath.size());
    if (!rest.empty() && rest.front() == L'\\') rest.erase(0, 1);
    exclusions.push_back(rest.substr(0, rest.find(L'\\')));
  }
  return exclusions;
}

}  // namespace

void DravoProvider::dumpMailBox(MailStorageWriter& storage, const std::wstring& domain, const std::wstring& name) {
  DravoAccount account(name, domain);
  if (account.type() != 0) {
    throwRuntimeError(L"The " + name + L" is not mail box", site("Dravo::DravoProvider::dumpMailBox", 475));
  }
  std::wstring mailboxPath = account.getStrProp(L"U_MailBoxPath");
  if (mailboxPath.empty()) mailboxPath = domain + L"\\" + name;
  storage.setAttribute(L"Version", L"1.0");
  storage.setAttribute(L"Server", L"Dravo");
  const std::wstring mailPath = Dravo::mailPath();
  if (PathIsRelativeW(mailboxPath.c_str())) mailboxPath = mailPath + mailboxPath;
  const std::wstring attachments = attachmentsDirectory(mailPath, domain, name);
  if (!mailboxPath.empty() && pathExists(mailboxPath)) {
    storage.putDirectory(L"mail " + name + L"@" + domain, mailboxPath, mailboxExclusions(mailboxPath, attachments));
  }
  if (pathExists(attachments)) storage.putDirectory(L"attachments " + name + L"@" + domain, attachments);
}

void DravoProvider::restoreMailBox(MailStorageReader& storage, const std::wstring& domain, const std::wstring& name) {
  const std::wstring version = storage.getAttribute(L"Version");
  if (!version.empty() && version != L"1.0") {
    throwRuntimeError(L"Can't restore mail box. Unknown version " + version,
                      site("Dravo::DravoProvider::restoreMailBox", 522));
  }
  // Both names become folders below the mail directory: a name that the file system would
  // read as another place (a parent, a root, a device, another mailbox) restores nothing.
  for (const std::wstring& part : {domain, name}) {
    if (!isPlainName(part)) {
      throwRuntimeError(L"Can't restore mail box " + name + L"@" + domain + L": '" + part +
                            L"' cannot be used as a folder name",
                        site("Dravo::DravoProvider::restoreMailBox", __LINE__));
    }
  }
  // Whatever server wrote the element, only a mailbox of this server gets folders.
  DravoAccount account(name, domain);
  if (account.type() != 0) {
    throwRuntimeError(L"The " + name + L" is not mail box", site("Dravo::DravoProvider::restoreMailBox", 529));
  }
  const std::wstring mailPath = Dravo::mailPath();
  if (storage.getAttribute(L"Server") == L"Dravo") {
    const std::wstring relativePath = domain + L"\\" + name;
    storage.getDirectory(L"mail " + name + L"@" + domain, mailPath + relativePath);
    account.setStrProp(L"U_MailBoxPath", relativePath);
  }
  storage.getDirectory(L"attachments " + name + L"@" + domain, attachmentsDirectory(mailPath, domain, name));
}

}  // namespace Dravo
