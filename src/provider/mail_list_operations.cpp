// Provider operations on mailing lists.

#include <memory>
#include <new>

#include "mailobjects/dravo_mail_info.h"
#include "mailobjects/dravo_mail_list.h"
#include "platform/log_manager.h"
#include "provider/dravo_provider.h"

namespace Dravo {
namespace {

// The announcement of a new list to its owner, sent from the list's own address.
void announceNewMailList(const std::wstring& adminAddress, const std::wstring& name, const std::wstring& domain) {
  sendMailListNotification(adminAddress, name, domain);
}

}  // namespace

MailList* DravoProvider::createMailList(const std::wstring& name, const std::wstring& domain,
                                        const std::wstring& adminAddress, bool notify) {
  std::unique_ptr<DravoMailList> list(new (std::nothrow) DravoMailList(name, domain, adminAddress));
  if (!list) return nullptr;
  // A failed announcement leaves the list on the server but hands out no object.
  if (notify) announceNewMailList(adminAddress, name, domain);
  return list.release();
}

MailList* DravoProvider::openMailList(const std::wstring& name, const std::wstring& domain) {
  return new (std::nothrow) DravoMailList(name, domain);
}

void DravoProvider::removeMailList(const std::wstring& name, const std::wstring& domain) {
  DravoMailList::remove(name, domain);
}

void DravoProvider::dumpMailList(MailStorageWriter& storage, const std::wstring& domain, const std::wstring& name) {
  DravoMailList(name, domain).dump(storage);
}

void DravoProvider::restoreMailList(MailStorageReader& storage, const std::wstring& domain, const std::wstring& name) {
  DravoMailList(name, domain).restore(storage);
}

}  // namespace Dravo
