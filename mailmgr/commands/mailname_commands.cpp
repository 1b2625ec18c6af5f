#include "commands/arguments.h"
#include "commands/handlers.h"
#include "commands/mail_objects.h"
#include "commands/presentation.h"
#include "framework/sizes.h"
#include "framework/usage_error.h"

// Commands on mail names. Changes of an existing mail name (rename, move, quota, mailbox
// switch, forwards, aliases) go through the mail name object that openMailName hands out.

namespace mailmgr {
namespace {

std::wstring readPassword(Invocation& in, const std::wstring& address) {
  if (const auto given = in.option(L"password")) {
    if (given->empty()) throw UsageError{L"the password is empty"};
    return *given;
  }
  const auto line = readSecretLine(L"New password for " + address + L": ");
  if (!line) throw UsageError{L"no password: give --password or write it to standard input"};
  if (line->empty()) throw UsageError{L"the password is empty"};
  return *line;
}

Json jsonList(const StringList& items) {
  Json array = Json::array();
  for (const auto& item : items) array.push_back(item);
  return array;
}

std::wstring textList(const StringList& items) {
  std::wstring text;
  for (const auto& item : items) text += (text.empty() ? L"" : L", ") + item;
  return text.empty() ? L"(none)" : text;
}

}  // namespace

int mailNameCreate(Invocation& in) {
  const std::wstring& text = in.argument(0);
  const MailAddress address = parseAddress(text);
  const auto quotaText = in.option(L"quota");
  const int quota = quotaText ? parseLimit(*quotaText) : 0;
  const Held<MailName> mailName = hold(in.provider().createMailName(address.name, address.domain, quota), text);
  printDone(in,
            L"Created mail name " + text + (quota > 0 ? L" with a quota of " + formatSize(quota) : L" without a quota"),
            Json{{"address", text}, {"created", true}, {"quota", quota}});
  return 0;
}

int mailNameShow(Invocation& in) {
  const std::wstring& text = in.argument(0);
  const MailAddress address = parseAddress(text);
  const Held<MailName> mailName = hold(in.provider().openMailName(address.name, address.domain), text);
  const int quota = mailName->quota();  // -1: no limit
  const long long used = mailName->mailboxSize();
  const bool postbox = mailName->postbox();
  StringList forwards, aliases;
  mailName->forwards(forwards);
  mailName->aliases(aliases);
  const std::wstring shown = mailName->name() + L"@" + mailName->domain();
  if (in.json()) {
    in.print(Json{{"address", shown},
                  {"quota", quota},
                  {"mailboxSize", used},
                  {"mailbox", postbox},
                  {"forwards", jsonList(forwards)},
                  {"aliases", jsonList(aliases)}});
    return 0;
  }
  in.printLines(fieldLines({
      {L"Address", shown},
      {L"Quota", quota >= 0 ? formatSize(quota) : L"unlimited"},
      {L"Mailbox size", formatSize(used)},
      {L"Mailbox", postbox ? L"on (mail is kept)" : L"off (mail is only forwarded)"},
      {L"Forwards", textList(forwards)},
      {L"Aliases", textList(aliases)},
  }));
  return 0;
}

int mailNameSetPassword(Invocation& in) {
  const std::wstring& text = in.argument(0);
  const MailAddress address = parseAddress(text);
  // Read before the module is touched, so that bad input changes nothing.
  const std::wstring password = readPassword(in, text);
  const Held<MailName> mailName = hold(in.provider().openMailName(address.name, address.domain), text);
  mailName->password(password);
  printDone(in, L"Password of " + text + L" set", Json{{"address", text}, {"passwordSet", true}});
  return 0;
}

int mailNameRemove(Invocation& in) {
  const std::wstring& text = in.argument(0);
  const MailAddress address = parseAddress(text);
  in.provider().removeMailName(address.name, address.domain);
  printDone(in, L"Removed mail name " + text, Json{{"address", text}, {"removed", true}});
  return 0;
}

int mailNameList(Invocation& in) {
  const std::wstring& domain = in.argument(0);
  if (domain.empty()) throw UsageError{L"the domain name is empty"};
  StringList names;
  in.provider().mailNames(domain, names);
  if (in.json()) {
    Json array = Json::array();
    for (const auto& name : names) array.push_back(Json{{"name", name}, {"address", name + L"@" + domain}});
    in.print(array);
  } else {
    for (const auto& name : names) in.out().line(name + L"@" + domain);
  }
  return 0;
}

}  // namespace mailmgr
