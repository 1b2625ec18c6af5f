// A mailing list in the mail archive: its owner and members as attributes and
// "listmember" children of the list's element.

#include <iterator>
#include <memory>

#include "archive/tree_copy.h"
#include "automation/call_patterns.h"
#include "listfiles/list_file.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "mailobjects/list_members_file.h"
#include "platform/file_operations.h"
#include "platform/strings.h"

namespace Dravo {
namespace {

constexpr wchar_t dumpVersion[] = L"1.0";
constexpr wchar_t bracketedPrefix[] = L"[SMTP:";

// Archives written by the other server this format came from hold addresses as
// "[SMTP:address]" and carry no version.
std::wstring bareAddress(const std::wstring& address) {
  constexpr std::size_t prefix = std::size(bracketedPrefix) - 1;
  if (address.compare(0, prefix, bracketedPrefix) != 0) return address;
  return address.size() > prefix ? address.substr(prefix, address.size() - prefix - 1) : std::wstring();
}

}  // namespace

void DravoMailList::dump(MailStorageWriter& storage) {
  storage.setAttribute(L"Version", dumpVersion);
  storage.setAttribute(L"Server", L"Dravo");
  storage.setAttribute(L"adminEmail", adminEMail());
  const std::wstring path = listFilePath();
  if (path.empty() || !pathExists(path)) return;
  StringList addresses;
  splitMembers(readMemberFile(path), addresses);
  for (const std::wstring& address : addresses) {
    WriterOwner member = child(storage, L"listmember");
    member->setAttribute(L"email", address);
    storage.appendChild(*member);
  }
}

void DravoMailList::restore(MailStorageReader& storage) {
  const std::wstring server = storage.getAttribute(L"Server");
  if (!server.empty() && server != L"Dravo" && server != L"Velmar") return;
  const std::wstring version = storage.getAttribute(L"Version");
  if (!version.empty() && version != dumpVersion) {
    throwRuntimeError(L"Can't restore mail list. Unknown version " + version,
                      site("Dravo::DravoMailList::restore", __LINE__));
  }
  // The member file is written at "<domain>\<name>.txt" under the configuration directory.
  for (const std::wstring& part : {domain_, name_ + L".txt"}) {
    if (!isPlainName(part)) {
      throwRuntimeError(L"Can't restore mail list " + name_ + L"@" + domain_ + L": '" + part +
                            L"' cannot be used as a file or folder name",
                        site("Dravo::DravoMailList::restore", __LINE__));
    }
  }
  // Members written for a mail box would turn it into half a list.
  if (account_.getNumber(L"U_Type") != 1) {
    throwRuntimeError(L"The " + name_ + L" is not mail list", site("Dravo::DravoMailList::restore", __LINE__));
  }
  adminEMail(storage.getAttribute(L"adminEmail"));

  std::wstring text;
  for (ReaderOwner member(storage.firstChild(L"listmember")); member; member.reset(storage.nextChild())) {
    const std::wstring address = member->getAttribute(L"email");
    text += (version.empty() ? bareAddress(address) : address) + L"\r\n";
  }
  const std::wstring relative = defaultListFile(name_, domain_);
  writeMemberFile(resolveListFile(relative, domain_, domainEnabled_), toNarrow(text, CP_ACP));
  // A property set without "Save" is dropped with the account object, so the new list-file
  // name is saved; restoring names no failure of its own for this save.
  account_.setProperty(listFileProperty(), Variant(relative));
  account_.save();
}

}  // namespace Dravo
