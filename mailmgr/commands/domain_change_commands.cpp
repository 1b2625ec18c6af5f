// Changes of an existing mail domain, made through the domain object the provider hands out.

#include "commands/command_sets.h"
#include "commands/mail_objects.h"
#include "commands/presentation.h"
#include "framework/invocation.h"
#include "framework/sizes.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

const ArgumentSpec domainName = {L"DOMAIN", L"the domain name; an IDN domain in its ASCII (\"xn--\") form"};

Held<MailDomain> openNamed(Invocation& in) {
  const std::wstring& name = in.argument(0);
  if (name.empty()) throw UsageError{L"the domain name is empty"};
  return hold(in.provider().openDomain(name), name);
}

bool onOff(const std::wstring& text) {
  if (text == L"on") return true;
  if (text == L"off") return false;
  throw UsageError{L"expected on or off, not '" + text + L"'"};
}

int rename(Invocation& in) {
  const std::wstring& newName = in.argument(1);
  if (newName.empty()) throw UsageError{L"the new name is empty"};
  Held<MailDomain> domain = openNamed(in);
  domain->name(newName);
  printDone(in, L"Renamed domain " + in.argument(0) + L" to " + newName,
            Json{{"domain", in.argument(0)}, {"renamedTo", newName}});
  return 0;
}

int setEnabled(Invocation& in, bool on) {
  Held<MailDomain> domain = openNamed(in);
  domain->enable(on);
  printDone(in, (on ? L"Enabled domain " : L"Disabled domain ") + domain->name(),
            Json{{"domain", domain->name()}, {"enabled", on}});
  return 0;
}
int enable(Invocation& in) { return setEnabled(in, true); }
int disable(Invocation& in) { return setEnabled(in, false); }

int setLimit(Invocation& in) {
  const auto mailbox = in.option(L"mailbox");
  const auto total = in.option(L"total");
  if (!mailbox && !total) throw UsageError{L"give --mailbox SIZE, --total SIZE or both"};
  Held<MailDomain> domain = openNamed(in);
  Json json = {{"domain", domain->name()}};
  std::wstring text = L"Domain " + domain->name() + L":";
  if (mailbox) {
    domain->quota(parseLimit(*mailbox));
    json["mailboxLimit"] = domain->quota();
    text += L" mailbox limit " + formatSize(domain->quota());
  }
  if (total) {
    domain->totalQuota(parseLimit(*total));
    json["totalLimit"] = domain->totalQuota();
    text += L" total limit " + formatSize(domain->totalQuota());
  }
  printDone(in, text, json);
  return 0;
}

int catchAll(Invocation& in) {
  const bool off = in.flag(L"off");
  const std::wstring address = in.arguments().size() > 1 ? in.argument(1) : L"";
  if (off == !address.empty()) throw UsageError{L"give either an ADDRESS or --off"};
  Held<MailDomain> domain = openNamed(in);
  domain->catchToEmail(address);
  printDone(in, off ? L"Mail for unknown users of " + domain->name() + L" is no longer caught"
                    : L"Mail for unknown users of " + domain->name() + L" goes to " + address,
            Json{{"domain", domain->name()}, {"catchAll", off ? Json() : Json(address)}});
  return 0;
}

int discard(Invocation& in) {
  const bool on = onOff(in.argument(1));
  Held<MailDomain> domain = openNamed(in);
  domain->discard(on);
  printDone(in, (on ? L"Mail for unknown users of " : L"Mail for unknown users is kept for ") + domain->name() +
                    (on ? L" is discarded" : L""),
            Json{{"domain", domain->name()}, {"discardUnknown", on}});
  return 0;
}

}  // namespace

void addDomainChangeCommands(CommandTable& table) {
  const std::vector<CommandSpec> commands = {
      {L"domain", L"rename", {domainName, {L"NEW", L"the new domain name"}}, {},
       L"Rename a mail domain",
       L"Renames the domain on the mail server and moves its directories; its domain aliases\n"
       L"and its mailboxes follow the new name.",
       rename},
      {L"domain", L"enable", {domainName}, {},
       L"Enable a disabled mail domain",
       L"Enables the domain and its domain aliases again.",
       enable},
      {L"domain", L"disable", {domainName}, {},
       L"Disable a mail domain",
       L"Disables the domain and its domain aliases; the mail server then holds it under its\n"
       L"name followed by \".d\". Nothing is deleted.",
       disable},
      {L"domain", L"set-limit", {domainName},
       {{L"mailbox", L"SIZE", L"size limit of each mailbox of the domain (e.g. 100M, or unlimited)"},
        {L"total", L"SIZE", L"size limit of the whole domain (e.g. 2G, or unlimited)"}},
       L"Change a domain's mailbox or total size limit",
       L"Sets the size limit of each mailbox of the domain, of the whole domain, or both. The\n"
       L"mail server keeps limits in whole kilobytes: a limit is rounded down to them.",
       setLimit},
      {L"domain", L"catch-all", {domainName, {L"ADDRESS", L"where mail for unknown users goes", true}},
       {{L"off", L"", L"stop catching mail for unknown users"}},
       L"Send mail for unknown users of a domain to one address",
       L"Mail to a mail name the domain does not have goes to ADDRESS; with --off such mail\n"
       L"is no longer caught. Catching ends discarding, and the other way round.",
       catchAll},
      {L"domain", L"discard", {domainName, {L"on|off", L"whether mail for unknown users is discarded"}}, {},
       L"Discard mail for unknown users of a domain",
       L"With on, mail to a mail name the domain does not have is discarded; off ends it (and\n"
       L"with it any catch-all address).",
       discard},
  };
  table.commands.insert(table.commands.end(), commands.begin(), commands.end());
}

}  // namespace mailmgr
