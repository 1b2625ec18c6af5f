// Server-wide mail settings: message size, relaying, DNS server and mail store, the global
// black list, the addresses allowed to relay, DNS black lists and domain aliases.

#include <algorithm>
#include <cwctype>

#include "commands/command_sets.h"
#include "commands/presentation.h"
#include "framework/invocation.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

const ArgumentSpec domainName = {L"DOMAIN", L"the domain name; an IDN domain in its ASCII (\"xn--\") form"};
const ArgumentSpec aliasName = {L"ALIAS", L"the alias domain name; an IDN name in its ASCII (\"xn--\") form"};
const ArgumentSpec blockArgument = {L"ADDRESS[/PREFIX]", L"an IPv4 address with its prefix length (default 32)"};

const std::wstring& nonEmpty(Invocation& in, std::size_t index, const wchar_t* what) {
  const std::wstring& text = in.argument(index);
  if (text.empty()) throw UsageError{std::wstring(what) + L" is empty"};
  return text;
}

// A whole decimal number within [low, high].
int number(const std::wstring& text, int low, int high, const wchar_t* what) {
  bool digits = !text.empty() && text.size() <= 10;
  for (wchar_t c : text) digits = digits && std::iswdigit(c);
  const long long value = digits ? std::stoll(text) : -1;
  if (!digits || value < low || value > high) {
    throw UsageError{std::wstring(what) + L" must be a number from " + std::to_wstring(low) + L" to " +
                     std::to_wstring(high) + L", not '" + text + L"'"};
  }
  return static_cast<int>(value);
}

std::wstring relayText(int mode, int authorization, int value) {
  if (mode != 2) return L"mode " + std::to_wstring(mode) + L" (no relaying with authorisation)";
  return authorization == 1 ? L"mode 2, POP3 before SMTP (value " + std::to_wstring(value) + L")"
                            : std::wstring(L"mode 2, SMTP authentication");
}

int settingsShow(Invocation& in) {
  MailProvider& provider = in.provider();
  const int maxSize = provider.maxLetterSize();
  int mode = 0, authorization = 0, value = 0;
  provider.relay(mode, authorization, value);
  StringList dns;
  provider.dnsServers(dns);
  const std::wstring mailStore = provider.mailPath();
  if (in.json()) {
    in.print(Json{{"maxMessageSize", maxSize > 0 ? Json(maxSize) : Json()},
                  {"relay", Json{{"mode", mode},
                  {"authorization", authorization},
                  {"value", value}}},
                  {"dnsServer", dns.empty() ? Json() : Json(dns.front())},
                  {"mailPath", mailStore}});
    return 0;
  }
  in.printLines(fieldLines({{L"Maximum message size", maxSize > 0 ? std::to_wstring(maxSize) : L"no limit"},
                            {L"Relaying", relayText(mode, authorization, value)},
                            {L"DNS server", dns.empty() ? L"(none)" : dns.front()},
                            {L"Mail store", mailStore}}));
  return 0;
}

int settingsMaxSize(Invocation& in) {
  const std::wstring& text = in.argument(0);
  const int size = text == L"off" ? 0 : number(text, 1, 0x7FFFFFFF, L"the size");
  in.provider().maxLetterSize(size);
  printDone(in, size > 0 ? L"Maximum message size " + text : L"No maximum message size",
            Json{{"maxMessageSize", size > 0 ? Json(size) : Json()}});
  return 0;
}

int settingsRelay(Invocation& in) {
  const int mode = number(in.argument(0), 0, 2, L"the relay mode");
  const auto authText = in.option(L"auth");
  const auto valueText = in.option(L"value");
  int authorization = 0;
  if (authText) {
    if (*authText == L"pop3") authorization = 1;
    else if (*authText == L"smtp") authorization = 3;
    else throw UsageError{L"--auth expects pop3 or smtp, not '" + *authText + L"'"};
  }
  if (mode == 2 && !authText) throw UsageError{L"relay mode 2 needs --auth pop3 or --auth smtp"};
  if (valueText && authorization != 1) throw UsageError{L"--value goes with --auth pop3 only"};
  const int value = valueText ? number(*valueText, 0, 0x7FFFFFFF, L"the value") : 0;
  MailProvider& provider = in.provider();
  provider.setRelay(mode, authorization, value);
  int nowMode = 0, nowAuthorization = 0, nowValue = 0;
  provider.relay(nowMode, nowAuthorization, nowValue);
  printDone(in, L"Relaying: " + relayText(nowMode, nowAuthorization, nowValue),
            Json{{"mode", nowMode}, {"authorization", nowAuthorization}, {"value", nowValue}});
  return 0;
}

int settingsDns(Invocation& in) {
  const std::wstring& server = in.argument(0);
  in.provider().setDNSServers({server});
  printDone(in, server.empty() ? L"No DNS server" : L"DNS server " + server,
            Json{{"dnsServer", server}});
  return 0;
}

int settingsMailPath(Invocation& in) {
  const std::wstring& path = nonEmpty(in, 0, L"the path");
  MailProvider& provider = in.provider();
  provider.mailPath(path);
  const std::wstring now = provider.mailPath();
  printDone(in, L"Mail store " + now, Json{{"mailPath", now}});
  return 0;
}

int blackList(Invocation& in) {
  StringList addresses;
  in.provider().allBadMail(addresses);
  printList(in, addresses);
  return 0;
}

int blackListAdd(Invocation& in) {
  const std::wstring& address = nonEmpty(in, 0, L"the address");
  in.provider().addBadMail(address);
  printDone(in, L"Black-listed " + address, Json{{"blackListed", address}});
  return 0;
}

int blackListRemove(Invocation& in) {
  const std::wstring& address = nonEmpty(in, 0, L"the address");
  in.provider().delBadMail(address);
  printDone(in, L"No longer black-listed: " + address, Json{{"removed", address}});
  return 0;
}

RelayAddress block(const std::wstring& text) {
  const auto slash = text.find(L'/');
  const std::wstring address = text.substr(0, slash);
  int dots = 0;
  bool shape = !address.empty() && std::iswdigit(address.front()) && std::iswdigit(address.back());
  for (wchar_t c : address) {
    dots += c == L'.';
    shape = shape && (std::iswdigit(c) || c == L'.');
  }
  if (!shape || dots != 3 || address.find(L"..") != std::wstring::npos) {
    throw UsageError{L"expected an IPv4 address such as 192.0.2.0/24, not '" + text + L"'"};
  }
  for (std::size_t start = 0; start <= address.size();) {
    const std::size_t end = std::min(address.find(L'.', start), address.size());
    number(address.substr(start, end - start), 0, 255, L"an address part");
    start = end + 1;
  }
  const int prefix = slash == std::wstring::npos ? 32 : number(text.substr(slash + 1), 1, 32, L"the prefix length");
  return {address, prefix};
}

std::wstring blockText(const RelayAddress& entry) { return entry.first + L"/" + std::to_wstring(entry.second); }

int relayList(Invocation& in) {
  RelayAddressList addresses;
  in.provider().allRelayIPs(addresses);
  StringList lines;
  for (const RelayAddress& entry : addresses) lines.push_back(blockText(entry));
  printList(in, lines);
  return 0;
}

int relayAdd(Invocation& in) {
  const RelayAddress entry = block(in.argument(0));
  in.provider().addRelayIP(entry.first, entry.second);
  printDone(in, L"Relaying allowed for " + blockText(entry), Json{{"added", blockText(entry)}});
  return 0;
}

int relayRemove(Invocation& in) {
  const RelayAddress entry = block(in.argument(0));
  in.provider().delRelayIP(entry.first, entry.second);
  printDone(in, L"Relaying no longer allowed within " + blockText(entry),
            Json{{"removed", blockText(entry)}});
  return 0;
}

int dnsblList(Invocation& in) {
  StringList servers;
  in.provider().mapsServers(servers);
  printList(in, servers);
  return 0;
}

int dnsblSet(Invocation& in) {
  const StringList servers(in.arguments().begin(), in.arguments().end());
  for (const std::wstring& server : servers) {
    if (server.empty()) throw UsageError{L"a server name is empty"};
  }
  in.provider().setMapsProtection(servers);
  Json json = Json::array();
  for (const std::wstring& server : servers) json.push_back(server);
  printDone(in, L"DNS black lists checked: " + std::to_wstring(servers.size()) + L" server(s)",
            Json{{"servers", json}});
  return 0;
}

int dnsblOff(Invocation& in) {
  in.provider().setMapsProtection({});
  printDone(in, L"DNS black lists are no longer checked", Json{{"servers", Json()}});
  return 0;
}

int aliasList(Invocation& in) {
  StringList aliases;
  in.provider().domainAliases(nonEmpty(in, 0, L"the domain name"), aliases);
  printList(in, aliases);
  return 0;
}

int aliasAdd(Invocation& in) {
  const std::wstring& domain = nonEmpty(in, 0, L"the domain name");
  const std::wstring& alias = nonEmpty(in, 1, L"the alias");
  in.provider().addAlias(domain, alias);
  printDone(in, L"Added alias " + alias + L" of " + domain,
            Json{{"domain", domain}, {"alias", alias}});
  return 0;
}

int aliasRemove(Invocation& in) {
  const std::wstring& domain = nonEmpty(in, 0, L"the domain name");
  const std::wstring& alias = nonEmpty(in, 1, L"the alias");
  in.provider().delAlias(domain, alias);
  printDone(in, L"Removed alias " + alias + L" of " + domain,
            Json{{"domain", domain}, {"removed", alias}});
  return 0;
}

int aliasRename(Invocation& in) {
  const std::wstring& domain = nonEmpty(in, 0, L"the domain name");
  const std::wstring& oldAlias = nonEmpty(in, 1, L"the alias");
  const std::wstring& newAlias = nonEmpty(in, 2, L"the new alias");
  in.provider().renameAlias(domain, oldAlias, newAlias);
  printDone(in, L"Renamed alias " + oldAlias + L" of " + domain + L" to " + newAlias,
            Json{{"domain", domain}, {"alias", oldAlias}, {"renamedTo", newAlias}});
  return 0;
}

}  // namespace

void addSettingsCommands(CommandTable& table) {
  table.groups.push_back({L"settings", L"Server-wide mail settings"});
  table.groups.push_back({L"blacklist", L"The global black list of the mail server's filter"});
  table.groups.push_back({L"relay", L"Addresses allowed to relay mail"});
  table.groups.push_back({L"dnsbl", L"DNS black lists the mail server checks"});
  table.groups.push_back({L"alias", L"Domain aliases"});
  const std::vector<CommandSpec> commands = {
      {L"settings", L"show", {}, {},
       L"Show the maximum message size, relaying, DNS server and mail store",
       L"Reads the server-wide settings that the mail server keeps for all domains.",
       settingsShow},
      {L"settings", L"max-size", {{L"SIZE|off", L"the limit in the mail server's own unit, or off"}}, {},
       L"Limit the size of messages, or lift the limit",
       L"Switches the mail server's message size limit on with the number given, passed on\n"
       L"unchanged in the mail server's own unit. With off the limit is switched off; the\n"
       L"mail server keeps the old number.",
       settingsMaxSize},
      {L"settings", L"relay", {{L"MODE", L"1, or 2 for relaying with authorisation (0 is refused)"}},
       {{L"auth", L"pop3|smtp", L"with mode 2: POP3 before SMTP, or SMTP authentication"},
        {L"value", L"N", L"with --auth pop3: the value that goes with it, passed on unchanged"}},
       L"Set how the mail server relays mail",
       L"Sets the relaying mode in the mail manager's numbering. Relaying without\n"
       L"authorisation (mode 0) is refused by the module.",
       settingsRelay},
      {L"settings", L"dns", {{L"SERVER", L"the DNS server the mail server asks; empty for none"}}, {},
       L"Set the DNS server of the mail server",
       L"Sets the one DNS server that the mail server uses.",
       settingsDns},
      {L"settings", L"mail-path", {{L"PATH", L"the directory of the mail store"}}, {},
       L"Set the mail store directory",
       L"Tells the mail server where its mail store is. No mail is moved.",
       settingsMailPath},
      {L"blacklist", L"list", {}, {},
       L"List the black-listed addresses and domains",
       L"Lists the entries of the global black list, each once.",
       blackList},
      {L"blacklist", L"add", {{L"ADDRESS", L"an address or domain to refuse mail from"}}, {},
       L"Add an address or domain to the global black list",
       L"Adds the entry to the mail server's filter file and switches the global filter on.",
       blackListAdd},
      {L"blacklist", L"remove", {{L"ADDRESS", L"an entry of the black list, as listed"}}, {},
       L"Remove an entry from the global black list",
       L"Removes the entry; when the filter file is then empty, the global filter is\n"
       L"switched off. An entry that is not listed is a failure (exit status 1).",
       blackListRemove},
      {L"relay", L"list", {}, {},
       L"List the address blocks allowed to relay",
       L"Lists the address blocks of the mail server's relaying file, as ADDRESS/PREFIX.",
       relayList},
      {L"relay", L"add", {blockArgument}, {},
       L"Allow an address block to relay",
       L"Adds the block to the relaying file. The mail server reads the file when it next\n"
       L"reloads its configuration.",
       relayAdd},
      {L"relay", L"remove", {blockArgument}, {},
       L"Remove every allowed block within an address block",
       L"Removes every block of the relaying file that lies inside the one given and makes\n"
       L"the mail server reload its configuration. No block inside is a failure.",
       relayRemove},
      {L"dnsbl", L"list", {}, {},
       L"List the DNS black-list servers",
       L"Lists the servers of the mail server's DNS black-list file.",
       dnsblList},
      {L"dnsbl", L"set", {{L"SERVER", L"a DNS black-list server", false, true}}, {},
       L"Check these DNS black lists, and only these",
       L"Replaces the list of DNS black-list servers and switches checking on.",
       dnsblSet},
      {L"dnsbl", L"off", {}, {},
       L"Stop checking DNS black lists",
       L"Switches checking off; the list of servers stays as it is.",
       dnsblOff},
      {L"alias", L"list", {domainName}, {},
       L"List the aliases of a domain",
       L"Lists the domain aliases that point at the domain, one per line.",
       aliasList},
      {L"alias", L"add", {domainName, aliasName}, {},
       L"Add a domain alias",
       L"Makes ALIAS a second name of the domain. An alias of a disabled domain is disabled\n"
       L"with it.",
       aliasAdd},
      {L"alias", L"remove", {domainName, aliasName}, {},
       L"Remove a domain alias",
       L"Removes the alias from the mail server.",
       aliasRemove},
      {L"alias", L"rename", {domainName, aliasName, {L"NEW", L"the new alias name"}}, {},
       L"Rename a domain alias",
       L"Renames the alias; it still points at the same domain.",
       aliasRename},
  };
  table.commands.insert(table.commands.end(), commands.begin(), commands.end());
}

}  // namespace mailmgr
