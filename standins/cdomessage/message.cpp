// The message object: its header fields and text body, attachments, configuration, data
// source and Send.

#include <cstdio>
#include <cwchar>
#include <mutex>

#include "harness.h"
#include "identity.h"
#include "message_parts.h"
#include "smtp_client.h"
#include "stored_message.h"

namespace {

std::string ascii(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

// A configuration field by the last segment of its name (names may carry a schema prefix).
const PropertyValue* field(const PropertyMap& fields, const wchar_t* name) {
  for (const auto& [key, value] : fields) {
    const size_t slash = key.find_last_of(L"/#");
    const std::wstring last = slash == std::wstring::npos ? key : key.substr(slash + 1);
    if (CompareStringOrdinal(last.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL) return &value;
  }
  return nullptr;
}

long numberField(const PropertyMap& fields, const wchar_t* name, long fallback) {
  const PropertyValue* value = field(fields, name);
  if (!value || value->type == VT_EMPTY) return fallback;
  if (value->type == VT_BSTR) return std::wcstol(value->text.c_str(), nullptr, 10);
  return static_cast<long>(value->number);
}

int redirectFromEnvironment(int port) {
  wchar_t text[64];
  const DWORD length = GetEnvironmentVariableW(L"CDO_STANDIN_REDIRECT", text, 64);
  if (length == 0 || length >= 64) return 0;
  wchar_t* end = nullptr;
  const long from = std::wcstol(text, &end, 10);
  return from == port && *end == L':' ? static_cast<int>(std::wcstol(end + 1, nullptr, 10)) : 0;
}

std::string rfcDate() {
  SYSTEMTIME t;
  GetSystemTime(&t);
  static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d +0000", days[t.wDayOfWeek], t.wDay, months[t.wMonth - 1],
           t.wYear, t.wHour, t.wMinute, t.wSecond);
  return text;
}

SmtpJob jobOf(const MessageState& state) {
  const PropertyMap& fields = state.committed;
  if (numberField(fields, L"sendusing", 0) != 2) {
    throw DispatchObject::Failure{static_cast<HRESULT>(0x80040220), L"The \"SendUsing\" configuration value is invalid."};
  }
  const PropertyValue* server = field(fields, L"smtpserver");
  SmtpJob job;
  job.server = server && server->type == VT_BSTR ? ascii(server->text) : "";
  if (job.server.empty()) throw DispatchObject::Failure{transportFailedToConnect, L"No SMTP server is configured."};
  job.port = static_cast<int>(numberField(fields, L"smtpserverport", 25));
  job.timeoutMs = static_cast<DWORD>(numberField(fields, L"smtpconnectiontimeout", 30)) * 1000;
  const TransportOverrides& overrides = transportOverrides();
  if (const auto found = overrides.redirects.find(job.port); found != overrides.redirects.end()) {
    job.port = found->second;
  } else if (const int target = redirectFromEnvironment(job.port)) {
    job.port = target;
  }
  if (overrides.timeoutMs) job.timeoutMs = overrides.timeoutMs;
  job.sender = envelopeAddress(state.message.from);
  job.recipients = envelopeAddresses(state.message.to);
  if (job.recipients.empty()) throw DispatchObject::Failure{noRecipients, L"At least one recipient is required."};
  static long sequence = 0;
  job.data = mime::write(state.message, rfcDate(),
                         std::to_string(GetCurrentProcessId()) + "." + std::to_string(++sequence) + "@standin");
  return job;
}

class DataSource final : public DispatchObject {
 public:
  explicit DataSource(SharedState state)
      : DispatchObject(L"DataSource", {{L"OpenObject", Access::method}}), state_(std::move(state)) {}

 protected:
  void get(const std::wstring&, const std::vector<VARIANT>&, VARIANT*) override {}
  void call(const std::wstring&, const std::vector<VARIANT>& arguments, VARIANT*) override {
    if (arguments.size() != 2) throw Failure{DISP_E_BADPARAMCOUNT, L"OpenObject takes a source and its type"};
    if (CompareStringOrdinal(textOf(arguments[1]).c_str(), -1, L"_Stream", -1, TRUE) != CSTR_EQUAL) {
      throw Failure{E_INVALIDARG, L"Only a source of type \"_Stream\" can be opened"};
    }
    const mime::Message read = mime::read(streamText(arguments[0]));
    std::lock_guard lock(serverLock());
    state_->message = read;
  }

 private:
  SharedState state_;
};

class Message final : public DispatchObject {
 public:
  Message()
      : DispatchObject(L"Message", {{L"From", Access::getPut},
                                    {L"To", Access::getPut},
                                    {L"ReplyTo", Access::getPut},
                                    {L"Subject", Access::getPut},
                                    {L"TextBody", Access::getPut},
                                    {L"TextBodyPart", Access::get},
                                    {L"AddAttachment", Access::method},
                                    {L"Attachments", Access::get},
                                    {L"Configuration", Access::get},
                                    {L"DataSource", Access::get},
                                    {L"Send", Access::method}}),
        state_(std::make_shared<MessageState>()) {}

 protected:
  void get(const std::wstring& member, const std::vector<VARIANT>&, VARIANT* result) override {
    if (member == L"TextBodyPart") return returnObject(newTextBodyPart(state_), result);
    if (member == L"Attachments") return returnObject(newAttachments(state_), result);
    if (member == L"Configuration") return returnObject(newConfiguration(state_), result);
    if (member == L"DataSource") return returnObject(newDataSource(state_), result);
    std::lock_guard lock(serverLock());
    returnText(*text(member), result);
  }
  void put(const std::wstring& member, const VARIANT& value) override {
    const std::wstring written = textOf(value);
    std::lock_guard lock(serverLock());
    *text(member) = written;
  }
  void call(const std::wstring& member, const std::vector<VARIANT>& arguments, VARIANT* result) override {
    if (member == L"Send") return send();
    if (arguments.empty() || arguments.size() > 3) throw Failure{DISP_E_BADPARAMCOUNT, L"AddAttachment takes a path"};
    mime::Attachment attachment = readAttachment(textOf(arguments[0]));
    std::lock_guard lock(serverLock());
    state_->message.attachments.push_back(std::move(attachment));
    returnObject(newAttachmentPart(state_, state_->message.attachments.size() - 1), result);
  }

 private:
  std::wstring* text(const std::wstring& member) {
    mime::Message& m = state_->message;
    if (member == L"From") return &m.from;
    if (member == L"To") return &m.to;
    if (member == L"ReplyTo") return &m.replyTo;
    if (member == L"Subject") return &m.subject;
    return &m.textBody;
  }

  void send() {
    SmtpJob job;
    {
      std::lock_guard lock(serverLock());
      job = jobOf(*state_);
    }
    try {
      sendMail(job);
    } catch (const SmtpFailure& failure) {
      throw Failure{failure.code, failure.description};
    }
  }

  SharedState state_;
};

}  // namespace

IDispatch* newDataSource(const SharedState& state) { return new DataSource(state); }
IDispatch* newMessage() { return new Message; }
