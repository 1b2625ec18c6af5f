// Provider operations on mail names.

#include <new>

#include "mailobjects/dravo_mail_name.h"
#include "provider/dravo_provider.h"

namespace Dravo {

MailName* DravoProvider::createMailName(const std::wstring& name, const std::wstring& domain, int quota) {
  return new (std::nothrow) DravoMailName(name, domain, quota);
}

MailName* DravoProvider::openMailName(const std::wstring& name, const std::wstring& domain) {
  return new (std::nothrow) DravoMailName(name, domain);
}

void DravoProvider::removeMailName(const std::wstring& name, const std::wstring& domain) {
  DravoMailName::remove(name, domain);
}

}  // namespace Dravo
