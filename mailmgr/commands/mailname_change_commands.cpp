// Changes of an existing mail name, made through the mail name object the provider hands out.

#include "commands/arguments.h"
#include "commands/command_sets.h"
#include "commands/mail_objects.h"
#include "commands/presentation.h"
#include "framework/invocation.h"
#include "framework/sizes.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

const ArgumentSpec mailAddress = {L"ADDRESS", L"the mail name and its domain, as NAME@DOMAIN"};

Held<MailName> openNamed(Invocation& in) {
  const MailAddress address = parseAddress(in.argument(0));
  return hold(in.provider().openMailName(address.name, address.domain), in.argument(0));
}

const std::wstring& nonEmpty(Invocation& in, std::size_t index, const wchar_t* what) {
  const std::wstring& text = in.argument(index);
  if (text.empty()) throw UsageError{std::wstring(what) + L" is empty"};
  return text;
}

int rename(Invocation& in) {
  const std::wstring& newName = nonEmpty(in, 1, L"the new name");
  Held<MailName> mail = openNamed(in);
  mail->name(newName);
  const std::wstring address = newName + L"@" + mail->domain();
  printDone(in, L"Renamed " + in.argument(0) + L" to " + address,
            Json{{"address", in.argument(0)}, {"renamedTo", address}});
  return 0;
}

int move(Invocation& in) {
  const std::wstring& domain = nonEmpty(in, 1, L"the domain");
  Held<MailName> mail = openNamed(in);
  mail->domain(domain);
  const std::wstring address = mail->name() + L"@" + domain;
  printDone(in, L"Moved " + in.argument(0) + L" to " + address + L", with its mailbox",
            Json{{"address", in.argument(0)}, {"movedTo", address}});
  return 0;
}

int setQuota(Invocation& in) {
  const int quota = parseLimit(in.argument(1));
  Held<MailName> mail = openNamed(in);
  mail->quota(quota);
  const int stored = mail->quota();
  printDone(in, L"Quota of " + in.argument(0) + L": " + (stored < 0 ? L"unlimited" : formatSize(stored)),
            Json{{"address", in.argument(0)}, {"quota", stored}});
  return 0;
}

int mailbox(Invocation& in) {
  const std::wstring& state = in.argument(1);
  if (state != L"on" && state != L"off") throw UsageError{L"expected on or off, not '" + state + L"'"};
  Held<MailName> mail = openNamed(in);
  mail->postbox(state == L"on");
  printDone(in,
            state == L"on" ? L"The mailbox of " + in.argument(0) + L" keeps mail; forwards still apply"
                           : L"The mailbox of " + in.argument(0) + L" is off; mail only goes to its forwards",
            Json{{"address", in.argument(0)}, {"mailbox", state == L"on"}});
  return 0;
}

int forwardAdd(Invocation& in) {
  const std::wstring& target = nonEmpty(in, 1, L"the forwarding address");
  openNamed(in)->addForward(target);
  printDone(in, L"Mail to " + in.argument(0) + L" is forwarded to " + target,
            Json{{"address", in.argument(0)}, {"forwardAdded", target}});
  return 0;
}

int forwardRemove(Invocation& in) {
  const std::wstring& target = nonEmpty(in, 1, L"the forwarding address");
  openNamed(in)->delForward(target);
  printDone(in, L"Mail to " + in.argument(0) + L" is no longer forwarded to " + target,
            Json{{"address", in.argument(0)}, {"forwardRemoved", target}});
  return 0;
}

int forwardList(Invocation& in) {
  StringList forwards;
  openNamed(in)->forwards(forwards);
  printList(in, forwards);
  return 0;
}

int aliasAdd(Invocation& in) {
  const std::wstring& alias = nonEmpty(in, 1, L"the alias");
  openNamed(in)->addAlias(alias);
  printDone(in, L"Added alias " + alias + L" to " + in.argument(0),
            Json{{"address", in.argument(0)}, {"aliasAdded", alias}});
  return 0;
}

int aliasRemove(Invocation& in) {
  const std::wstring& alias = nonEmpty(in, 1, L"the alias");
  openNamed(in)->delAlias(alias);
  printDone(in, L"Removed alias " + alias + L" from " + in.argument(0),
            Json{{"address", in.argument(0)}, {"aliasRemoved", alias}});
  return 0;
}

int aliasList(Invocation& in) {
  StringList aliases;
  openNamed(in)->aliases(aliases);
  printList(in, aliases);
  return 0;
}

int attachmentAdd(Invocation& in) {
  const std::wstring& file = nonEmpty(in, 1, L"the file");
  const auto as = in.option(L"as");
  const std::wstring name = as ? *as : file.substr(file.find_last_of(L"\\/") + 1);
  if (name.empty()) throw UsageError{L"the attachment's name is empty"};
  openNamed(in)->addAttachment(file, name);
  printDone(in, L"Attached " + name + L" to " + in.argument(0),
            Json{{"address", in.argument(0)}, {"attachmentAdded", name}});
  return 0;
}

int attachmentRemove(Invocation& in) {
  const std::wstring& name = nonEmpty(in, 1, L"the attachment's name");
  openNamed(in)->delAttachment(name);
  printDone(in, L"Removed attachment " + name + L" of " + in.argument(0),
            Json{{"address", in.argument(0)}, {"attachmentRemoved", name}});
  return 0;
}

int attachmentList(Invocation& in) {
  StringList files;
  openNamed(in)->attachments(files);
  printList(in, files);
  return 0;
}

}  // namespace

void addMailNameChangeCommands(CommandTable& table) {
  const ArgumentSpec target = {L"TARGET", L"an address mail is forwarded to"};
  const ArgumentSpec alias = {L"ALIAS", L"another name of the mailbox in its domain"};
  const std::vector<CommandSpec> commands = {
      {L"mailname", L"rename", {mailAddress, {L"NEWNAME", L"the new mail name, without the domain"}}, {},
       L"Rename a mail name", L"Renames the mail name in its domain; its mailbox directory moves with it.", rename},
      {L"mailname", L"move", {mailAddress, {L"DOMAIN", L"the domain to move it to"}}, {},
       L"Move a mail name to another domain",
       L"Moves the mail name with all its settings and its mailbox directory to another domain.", move},
      {L"mailname", L"set-quota", {mailAddress, {L"SIZE", L"the mailbox size limit (e.g. 50M, or unlimited)"}}, {},
       L"Change the mailbox size limit of a mail name",
       L"Sets the mailbox size limit; the mail server keeps it in whole kilobytes.", setQuota},
      {L"mailname", L"mailbox", {mailAddress, {L"on|off", L"whether mail is kept in the mailbox"}}, {},
       L"Switch a mail name's mailbox on or off",
       L"With off, mail goes only to the forwarding addresses; with on it is kept in the mailbox\n"
       L"as well. The forwarding addresses stay as they are.",
       mailbox},
      {L"mailname", L"forward-add", {mailAddress, target}, {}, L"Forward a mail name's mail to another address",
       L"Adds a forwarding address.", forwardAdd},
      {L"mailname", L"forward-remove", {mailAddress, target}, {}, L"Stop forwarding to an address",
       L"Removes the first forwarding address equal to TARGET.", forwardRemove},
      {L"mailname", L"forwards", {mailAddress}, {}, L"List a mail name's forwarding addresses",
       L"Lists the forwarding addresses, one per line.", forwardList},
      {L"mailname", L"alias-add", {mailAddress, alias}, {}, L"Give a mail name another name",
       L"Adds an alias: mail to ALIAS@DOMAIN reaches the same mailbox.", aliasAdd},
      {L"mailname", L"alias-remove", {mailAddress, alias}, {}, L"Remove an alias of a mail name",
       L"Removes an alias; the last one cannot be removed.", aliasRemove},
      {L"mailname", L"aliases", {mailAddress}, {}, L"List a mail name's aliases",
       L"Lists the names of the mailbox, its own name included, one per line.", aliasList},
      {L"mailname", L"attachment-add", {mailAddress, {L"FILE", L"the file to attach"}},
       {{L"as", L"NAME", L"the attachment's name (default: the file's own name)"}},
       L"Store a file in a mail name's attachment directory",
       L"Copies FILE into the mailbox's attachment directory, replacing a file of the same name.",
       attachmentAdd},
      {L"mailname", L"attachment-remove", {mailAddress, {L"NAME", L"the attachment's name"}}, {},
       L"Remove a file from a mail name's attachment directory", L"Removes the attachment.", attachmentRemove},
      {L"mailname", L"attachments", {mailAddress}, {}, L"List a mail name's attachments",
       L"Lists the files of the mailbox's attachment directory, one per line.", attachmentList},
  };
  table.commands.insert(table.commands.end(), commands.begin(), commands.end());
}

}  // namespace mailmgr
