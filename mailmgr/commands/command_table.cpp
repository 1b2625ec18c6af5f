#include "commands/command_table.h"

#include "commands/command_sets.h"
#include "commands/handlers.h"

namespace mailmgr {
namespace {

const ArgumentSpec domainName = {L"DOMAIN", L"the domain name; an IDN domain in its ASCII (\"xn--\") form"};
const ArgumentSpec mailAddress = {L"ADDRESS", L"the mail name and its domain, as NAME@DOMAIN"};

CommandTable makeTable() {
  CommandTable table;
  table.groups = {
      {L"server", L"The mail server as the module sees it"},
      {L"domain", L"Mail domains"},
      {L"mailname", L"Mail names (mailboxes)"},
  };
  table.commands = {
      // server
      {L"server", L"info", {}, {},
       L"Show the mail server's product, version and mail store",
       L"Shows the mail server's product name and version as the module reads them from the\n"
       L"registry, the provider's revision, and the mail store directory that the mail server\n"
       L"publishes. A product without a version in the registry shows as not installed.",
       serverInfo},
      {L"server", L"supports", {{L"CODE", L"an ability number of the mail manager", false, true}}, {},
       L"Tell whether the provider offers these optional abilities",
       L"The mail manager numbers the optional abilities that a provider may offer; the\n"
       L"provider keeps the list of the numbers it offers. Prints one row per code.",
       serverSupports},
      {L"server", L"abilities", {}, {},
       L"List the optional abilities (0-255) that the provider offers",
       L"Asks the provider about every ability number from 0 to 255 and prints the numbers it\n"
       L"offers, one run of consecutive numbers per line (\"0-18\").",
       serverAbilities},
      {L"server", L"service-name", {{L"KIND", L"a service kind number, or smtp (0) or pop3 (1)"}}, {},
       L"Show the Windows service name for a kind of service",
       L"Prints the name of the mail server's Windows service for a kind of service. A kind\n"
       L"the provider has no service for is a failure (exit status 1).",
       serverServiceName},
      {L"server", L"mail-paths", {}, {},
       L"List the mail store directories",
       L"Lists the directories that hold the mail of all domains, one per line.",
       serverMailPaths},
      // domain
      {L"domain", L"create", {domainName},
       {{L"limit", L"SIZE", L"mailbox size limit for the domain's mail names (e.g. 100M; default: unlimited)"}},
       L"Create a mail domain",
       L"Creates a mail domain on the mail server, with a size limit for each of its\n"
       L"mailboxes. The limit is a size such as 512K, 100M or 1G, or \"unlimited\".",
       domainCreate},
      {L"domain", L"show", {domainName}, {},
       L"Show a mail domain",
       L"Opens an existing mail domain, a disabled one too, and shows it.",
       domainShow},
      {L"domain", L"remove", {domainName}, {},
       L"Remove a mail domain with its mailboxes and aliases",
       L"Removes the mail domain from the mail server, with its directories and its domain\n"
       L"aliases. Nothing asks for confirmation.",
       domainRemove},
      {L"domain", L"list", {}, {},
       L"List the mail domains",
       L"Lists the mail server's domains, one per line, disabled ones included.",
       domainList},
      {L"domain", L"mail-paths", {domainName}, {},
       L"List the directories that hold a domain's mail",
       L"Lists the directories of the mail store that hold the domain's mail, one per line.",
       domainMailPaths},
      // mailname
      {L"mailname", L"create", {mailAddress},
       {{L"quota", L"SIZE", L"mailbox size limit (e.g. 100M; default: unlimited)"}},
       L"Create a mail name (mailbox)",
       L"Creates a mail name in an existing domain. A new mail name has an empty password;\n"
       L"set one with 'mailmgr mailname set-password'.",
       mailNameCreate},
      {L"mailname", L"show", {mailAddress}, {},
       L"Show a mail name",
       L"Opens an existing mail name and shows it.",
       mailNameShow},
      {L"mailname", L"set-password", {mailAddress},
       {{L"password", L"TEXT", L"the new password (visible to other users of the machine; prefer standard input)"}},
       L"Set the password of a mail name",
       L"Sets the password of a mail name. Without --password the password is read as one\n"
       L"line of standard input; on a console it is asked for and not shown.",
       mailNameSetPassword},
      {L"mailname", L"remove", {mailAddress}, {},
       L"Remove a mail name",
       L"Removes the mail name from its domain. Its mailbox directory stays on disk.",
       mailNameRemove},
      {L"mailname", L"list", {domainName}, {},
       L"List the mail names of a domain",
       L"Lists the mail names (mailboxes) of the domain, one per line.",
       mailNameList},
      // standing alone
      {L"", L"demo", {}, {},
       L"A short guided tour of what the module does",
       L"Runs a scripted tour: loads the module, shows the mail server as the module sees it\n"
       L"and what the provider offers, with a few words on each step. Exit status 1 when a\n"
       L"step failed.",
       demo},
  };
  addDomainChangeCommands(table);
  addMailNameChangeCommands(table);
  addTrafficCommands(table);
  addServiceCommands(table);
  addPackageCommands(table);
  addSettingsCommands(table);
  addListCommands(table);
  addArchiveCommands(table);
  addMailCommands(table);
  return table;
}

}  // namespace

const CommandTable& commandTable() {
  static const CommandTable table = makeTable();
  return table;
}

}  // namespace mailmgr
