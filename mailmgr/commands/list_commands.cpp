// Mailing lists: created, shown, renamed, moved and filled through the list object the
// provider hands out.

#include "commands/arguments.h"
#include "commands/command_sets.h"
#include "commands/mail_objects.h"
#include "commands/presentation.h"
#include "framework/invocation.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

const ArgumentSpec listAddress = {L"LIST", L"the list's name and its domain, as NAME@DOMAIN"};
const ArgumentSpec memberAddress = {L"MEMBER", L"a member's mail address"};

Held<MailList> openList(Invocation& in) {
  const MailAddress address = parseAddress(in.argument(0));
  return hold(in.provider().openMailList(address.name, address.domain), in.argument(0));
}

const std::wstring& nonEmpty(Invocation& in, std::size_t index, const wchar_t* what) {
  const std::wstring& text = in.argument(index);
  if (text.empty()) throw UsageError{std::wstring(what) + L" is empty"};
  return text;
}

Json jsonList(const StringList& items) {
  Json list = Json::array();
  for (const std::wstring& item : items) list.push_back(item);
  return list;
}

int create(Invocation& in) {
  const MailAddress address = parseAddress(in.argument(0));
  const std::wstring& owner = nonEmpty(in, 1, L"the owner's address");
  const bool notify = in.flag(L"notify");
  hold(in.provider().createMailList(address.name, address.domain, owner, notify), in.argument(0));
  printDone(in, L"Created the mailing list " + in.argument(0) + L", owner " + owner,
            Json{{"list", in.argument(0)}, {"owner", owner}, {"notify", notify}});
  return 0;
}

int show(Invocation& in) {
  Held<MailList> list = openList(in);
  StringList members;
  list->members(members);
  const std::wstring owner = list->adminEMail();
  if (in.json()) {
    in.print(Json{{"name", list->name()},
                  {"domain", list->domain()},
                  {"owner", owner},
                  {"members", jsonList(members)}});
    return 0;
  }
  const Fields fields = {{L"List", list->name() + L"@" + list->domain()},
                         {L"Owner", owner.empty() ? L"(none)" : owner},
                         {L"Members", std::to_wstring(members.size())}};
  for (const auto& line : fieldLines(fields)) in.out().line(line);
  return 0;
}

int remove(Invocation& in) {
  const MailAddress address = parseAddress(in.argument(0));
  in.provider().removeMailList(address.name, address.domain);
  printDone(in, L"Removed the mailing list " + in.argument(0) + L"; its member file stays on disk",
            Json{{"removed", in.argument(0)}});
  return 0;
}

int list(Invocation& in) {
  StringList names;
  in.provider().mailLists(in.argument(0), names);
  printList(in, names);
  return 0;
}

int rename(Invocation& in) {
  const std::wstring& newName = nonEmpty(in, 1, L"the new name");
  Held<MailList> list = openList(in);
  list->name(newName);
  const std::wstring address = list->name() + L"@" + list->domain();
  printDone(in, L"Renamed " + in.argument(0) + L" to " + address,
            Json{{"list", in.argument(0)}, {"renamedTo", address}});
  return 0;
}

int move(Invocation& in) {
  const std::wstring& domain = nonEmpty(in, 1, L"the domain");
  Held<MailList> list = openList(in);
  list->domain(domain);
  const std::wstring address = list->name() + L"@" + list->domain();
  printDone(in, L"Moved " + in.argument(0) + L" to " + address + L", with its settings and members",
            Json{{"list", in.argument(0)}, {"movedTo", address}});
  return 0;
}

int members(Invocation& in) {
  StringList found;
  openList(in)->members(found);
  printList(in, found);
  return 0;
}

int addMember(Invocation& in) {
  const std::wstring& member = nonEmpty(in, 1, L"the member's address");
  openList(in)->addMember(member);
  printDone(in, L"Added " + member + L" to " + in.argument(0),
            Json{{"list", in.argument(0)}, {"memberAdded", member}});
  return 0;
}

int delMember(Invocation& in) {
  const std::wstring& member = nonEmpty(in, 1, L"the member's address");
  openList(in)->delMember(member);
  printDone(in, L"Removed " + member + L" from " + in.argument(0),
            Json{{"list", in.argument(0)}, {"memberRemoved", member}});
  return 0;
}

int setOwner(Invocation& in) {
  const std::wstring& owner = nonEmpty(in, 1, L"the owner's address");
  openList(in)->adminEMail(owner);
  printDone(in, L"The owner of " + in.argument(0) + L" is " + owner,
            Json{{"list", in.argument(0)}, {"owner", owner}});
  return 0;
}

}  // namespace

void addListCommands(CommandTable& table) {
  table.groups.push_back({L"list", L"Mailing lists"});
  const ArgumentSpec owner = {L"OWNER", L"the mail address of the list's owner"};
  const std::vector<CommandSpec> commands = {
      {L"list", L"create", {listAddress, owner},
       {{L"notify", L"", L"announce the new list to its owner by mail"}},
       L"Create a mailing list",
       L"Creates a mailing list in an existing domain with its owner's address. The list has\n"
       L"no members until 'mailmgr list add-member' adds them.",
       create},
      {L"list", L"show", {listAddress}, {}, L"Show a mailing list",
       L"Opens an existing mailing list and shows its owner and how many members it has.", show},
      {L"list", L"remove", {listAddress}, {}, L"Remove a mailing list",
       L"Removes the mailing list from its domain. Its member file stays on disk.", remove},
      {L"list", L"list", {{L"DOMAIN", L"the domain name"}}, {}, L"List the mailing lists of a domain",
       L"Lists the names of the domain's mailing lists, one per line.", list},
      {L"list", L"rename", {listAddress, {L"NEWNAME", L"the new list name, without the domain"}}, {},
       L"Rename a mailing list",
       L"Renames the list in its domain; a member file with the list's default name is renamed\n"
       L"with it.",
       rename},
      {L"list", L"move", {listAddress, {L"DOMAIN", L"the domain to move it to"}}, {},
       L"Move a mailing list to another domain",
       L"Moves the list with its settings to another domain; a member file with the list's\n"
       L"default name moves with it.",
       move},
      {L"list", L"members", {listAddress}, {}, L"List the members of a mailing list",
       L"Lists the members' addresses in the order of the member file, one per line.", members},
      {L"list", L"add-member", {listAddress, memberAddress}, {}, L"Add a member to a mailing list",
       L"Appends the address to the member file. An address already there is added again.", addMember},
      {L"list", L"del-member", {listAddress, memberAddress}, {}, L"Remove a member from a mailing list",
       L"Removes the first line of the member file equal to MEMBER (case matters).", delMember},
      {L"list", L"set-owner", {listAddress, owner}, {}, L"Change the owner of a mailing list",
       L"Sets the mail address of the list's owner.", setOwner},
  };
  table.commands.insert(table.commands.end(), commands.begin(), commands.end());
}

}  // namespace mailmgr
