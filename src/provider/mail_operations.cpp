// Provider operations that compose and forward outgoing mail.

#include "mailobjects/dravo_mail_info.h"
#include "provider/dravo_provider.h"

namespace Dravo {

MailInfo* DravoProvider::createMail(const std::wstring& fromAddress, const std::wstring& fromName,
                                    const std::wstring& toAddress, const std::wstring& toName,
                                    const std::wstring& subject, const std::wstring& body,
                                    const StringList* attachments, const std::wstring& replyTo) {
  return Dravo::createMail(fromAddress, fromName, toAddress, toName, subject, body, attachments, replyTo);
}

MailInfo* DravoProvider::forwardMail(const std::wstring& newAddress, const std::wstring& newName,
                                     const std::wstring& fileName) {
  return Dravo::forwardMail(newAddress, newName, fileName);
}

}  // namespace Dravo
