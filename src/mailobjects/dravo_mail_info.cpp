#include "mailobjects/dravo_mail_info.h"

#include "automation/automation_objects.h"
#include "automation/call_patterns.h"
#include "mailobjects/mail_text.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/log_manager.h"

namespace Dravo {
namespace {

constexpr wchar_t messageProgId[] = L"CDO.Message";
// Send could not connect to the SMTP server.
constexpr HRESULT failedToConnect = static_cast<HRESULT>(0x80040213);

Variant property(DispatchHelper& object, const wchar_t* name) { return object.invoke(name, DISPATCH_PROPERTYGET); }

DispatchHelper child(DispatchHelper& object, const wchar_t* name, std::initializer_list<const Variant*> index = {}) {
  return attachChild<DispatchHelper>(object.invoke(name, DISPATCH_PROPERTYGET, index));
}

void setField(DispatchHelper& fields, const wchar_t* name, const Variant& value) {
  const Variant key(name);
  child(fields, L"Item", {&key}).put(L"Value", value);
}

}  // namespace

DravoMailInfo::DravoMailInfo(const std::wstring& fromAddress, const std::wstring& fromName,
                             const std::wstring& toAddress, const std::wstring& toName, const std::wstring& subject,
                             const std::wstring& body, const StringList* attachments, const std::wstring& replyTo)
    : from_(displayForm(fromName, fromAddress)),
      to_(displayForm(toName, toAddress)),
      subject_(subject),
      body_(normalizeLineEnds(body)),
      message_(messageProgId) {
  message_.put(L"From", Variant(from_));
  message_.put(L"To", Variant(to_));
  if (!replyTo.empty()) message_.put(L"ReplyTo", Variant(replyTo));
  message_.put(L"Subject", Variant(subject_));
  message_.put(L"TextBody", Variant(body_));
  child(message_, L"TextBodyPart").put(L"Charset", Variant(L"utf-8"));
  if (!attachments) return;
  const Variant none(L"");
  for (const std::wstring& path : *attachments) {
    attachments_.push_back(path);
    const Variant file(path);
    message_.call(L"AddAttachment", {&file, &none, &none});
  }
}

DravoMailInfo::DravoMailInfo(const DispatchHelper& message) : message_(message) {
  from_ = asString(property(message_, L"From"));
  to_ = asString(property(message_, L"To"));
  subject_ = asString(property(message_, L"Subject"));
  body_ = asString(property(message_, L"TextBody"));
  DispatchHelper parts = child(message_, L"Attachments");
  const long count = asLong(property(parts, L"Count"));
  for (long i = 1; i <= count; ++i) {
    const Variant index = Variant::ofI4(i);
    DispatchHelper part = child(parts, L"Item", {&index});
    const Variant name = property(part, L"FileName");
    if (!isNullString(name)) attachments_.push_back(asString(name));
  }
}

void DravoMailInfo::send() {
  static const std::wstring noRecipient = displayForm(L"", L"");
  if (to_.empty() || to_ == noRecipient) {
    throwRuntimeError(L"No one recipient specified", site("Dravo::DravoMailInfo::send", __LINE__));
  }
  log(0, L"Send mail to %s", to_.c_str());
  // Through the local mail server's SMTP port, without authentication. A failure here
  // leaves the object alive; from the first attempt on, it ends its life either way.
  DispatchHelper configuration = child(message_, L"Configuration");
  DispatchHelper fields = child(configuration, L"Fields");
  setField(fields, L"smtpserver", Variant(L"localhost"));
  setField(fields, L"smtpauthenticate", Variant::ofI4(0));
  setField(fields, L"sendusing", Variant::ofI4(2));
  try {
    transmit(fields);
  } catch (...) {
    release();
    throw;
  }
  release();
}

void DravoMailInfo::transmit(DispatchHelper& fields) {
  long port = 25;
  for (bool retried = false;; retried = true) {
    setField(fields, L"smtpserverport", Variant::ofI4(port));
    fields.call(L"Update");
    try {
      message_.call(L"Send");
      return;
    } catch (const ComError& error) {
      if (error.error() != failedToConnect || retried) throw;
    }
    port = ApiObject().getNumber(L"C_Config_Ports_SMTP");
  }
}

}  // namespace Dravo
