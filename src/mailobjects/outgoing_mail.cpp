// The provider's ways to a DravoMailInfo: a composed mail, a forwarded stored mail, and the
// announcement of a new mailing list.

#include <map>
#include <new>

#include "automation/call_patterns.h"
#include "mailobjects/dravo_mail_info.h"
#include "mailobjects/mail_text.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "platform/vfile.h"
#include "srvclient/vanto_srv_client.h"

namespace Dravo {
namespace {

constexpr wchar_t announcementTemplate[] = L"admin\\conf\\dravo_maillist_notify.mail";
constexpr wchar_t announcementSubject[] = L"The mailing list has been created for you";

std::wstring readTemplate(const std::wstring& path) {
  VFile file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
  std::string text;
  file.readAll(text);
  return toWide(text, CP_ACP);
}

}  // namespace

MailInfo* createMail(const std::wstring& fromAddress, const std::wstring& fromName, const std::wstring& toAddress,
                     const std::wstring& toName, const std::wstring& subject, const std::wstring& body,
                     const StringList* attachments, const std::wstring& replyTo) {
  log(0, L"Create mail from='%s', to='%s', subject='%s', body='%s'", fromAddress.c_str(), toAddress.c_str(),
      subject.c_str(), body.c_str());
  return new (std::nothrow) DravoMailInfo(fromAddress, fromName, toAddress, toName, subject, body, attachments, replyTo);
}

DispatchHelper loadMessage(const std::wstring& fileName) {
  DispatchHelper stream(L"ADODB.Stream");
  stream.call(L"Open");
  stream.put(L"Charset", Variant(L"US-ASCII"));
  const Variant path(fileName);
  stream.call(L"LoadFromFile", {&path});
  DispatchHelper message(L"CDO.Message");
  DispatchHelper source = attachChild<DispatchHelper>(message.invoke(L"DataSource", DISPATCH_PROPERTYGET));
  const Variant streamValue = stream.asVariant();
  const Variant type(L"_Stream");
  source.call(L"OpenObject", {&streamValue, &type});
  return message;
}

MailInfo* forwardMail(const std::wstring& newAddress, const std::wstring& newName, const std::wstring& fileName) {
  log(0, L"ForwardMail newEMail='%s', newEMailName='%s', fileName=%s", newAddress.c_str(), newName.c_str(),
      fileName.c_str());
  DispatchHelper message = loadMessage(fileName);
  const std::wstring subject = asString(message.invoke(L"Subject", DISPATCH_PROPERTYGET));
  message.put(L"Subject", Variant(L"FW: " + subject));
  std::wstring body = asString(message.invoke(L"TextBody", DISPATCH_PROPERTYGET));
  // The full stop that ended the stored mail's text does not end the forwarded one.
  if (body.size() >= 3 && body.compare(body.size() - 3, 3, L".\r\n") == 0) body.erase(body.size() - 3);
  message.put(L"TextBody", Variant(body));
  message.put(L"From", Variant(asString(message.invoke(L"To", DISPATCH_PROPERTYGET))));
  message.put(L"To", Variant(displayForm(newName, newAddress)));
  return new (std::nothrow) DravoMailInfo(message);
}

void sendMailListNotification(const std::wstring& ownerAddress, const std::wstring& listName,
                              const std::wstring& domain) {
  std::wstring root = VantoSrvClient::getInstance().getString(L"PRODUCT_ROOT_D");
  if (root.empty() || root.back() != L'\\') root += L'\\';
  const std::wstring text = substitutePlaceholders(readTemplate(root + announcementTemplate),
                                                   {{L"maillist-name", listName}, {L"domain-name", domain}});
  createMail(listName + L"@" + domain, L"", ownerAddress, L"", announcementSubject, text, nullptr, L"")->send();
}

}  // namespace Dravo
