#pragma once
// Outgoing mail: a message composed by the mail manager, a stored mail forwarded to a new
// address, and the announcement of a new mailing list, each backed by a "CDO.Message"
// object and sent through the local mail server's SMTP service.

#include <string>

#include "automation/dispatch_helper.h"
#include "interfaces/mail_objects.h"

namespace Dravo {

class DravoMailInfo final : public MailInfo {
 public:
  // Composes a new message (a null attachments list means none).
  DravoMailInfo(const std::wstring& fromAddress, const std::wstring& fromName, const std::wstring& toAddress,
                const std::wstring& toName, const std::wstring& subject, const std::wstring& body,
                const StringList* attachments, const std::wstring& replyTo);
  // Describes an existing message, keeping a reference to it.
  explicit DravoMailInfo(const DispatchHelper& message);

  int reservedOperation() override { return 0; }
  // Sends through localhost, port 25 and once more on the server's configured SMTP port
  // when the first connection fails; then ends the object's life, also when sending failed.
  void send() override;
  void release() override { delete this; }

  const std::wstring& from() const { return from_; }
  const std::wstring& to() const { return to_; }
  const std::wstring& subject() const { return subject_; }
  const std::wstring& body() const { return body_; }
  const StringList& attachments() const { return attachments_; }

 private:
  ~DravoMailInfo() = default;
  void transmit(DispatchHelper& fields);

  std::wstring from_, to_, subject_, body_;
  StringList attachments_;
  DispatchHelper message_;
};

MailInfo* createMail(const std::wstring& fromAddress, const std::wstring& fromName, const std::wstring& toAddress,
                     const std::wstring& toName, const std::wstring& subject, const std::wstring& body,
                     const StringList* attachments, const std::wstring& replyTo);
MailInfo* forwardMail(const std::wstring& newAddress, const std::wstring& newName, const std::wstring& fileName);
// A stored RFC 5322 message file opened as a new "CDO.Message".
DispatchHelper loadMessage(const std::wstring& fileName);
// Sends the panel's announcement template to the owner of a new list, from the list's address.
void sendMailListNotification(const std::wstring& ownerAddress, const std::wstring& listName, const std::wstring& domain);

}  // namespace Dravo
