// The tour's section on server-wide settings: message size, relaying, the global black
// list, relaying addresses, DNS black lists and domain aliases. It runs after the domains
// section, whose example.com it gives aliases.

#include <stdexcept>

#include "commands/tour.h"

namespace mailmgr {
namespace {

constexpr wchar_t company[] = L"example.com";

std::wstring relayText(MailProvider& provider) {
  int mode = 0, authorization = 0, value = 0;
  provider.relay(mode, authorization, value);
  if (mode != 2) return L"mode " + std::to_wstring(mode);
  return authorization == 1 ? L"mode 2, POP3 before SMTP, value " + std::to_wstring(value)
                            : std::wstring(L"mode 2, SMTP authentication");
}

std::wstring blocks(MailProvider& provider) {
  RelayAddressList addresses;
  provider.allRelayIPs(addresses);
  StringList lines;
  for (const auto& [address, prefix] : addresses) lines.push_back(address + L"/" + std::to_wstring(prefix));
  return joined(lines);
}

}  // namespace

void tourSettings(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  const auto listed = [](auto fill) {
    StringList items;
    fill(items);
    return joined(items);
  };

  tour.section(L"Server-wide settings");
  tour.say(L"Properties of the mail server itself; a size of 0 switches the limit off and keeps the number.");
  tour.step(L"Maximum message size 10240", [&] {
    provider.maxLetterSize(10240);
    return std::to_wstring(provider.maxLetterSize());
  });
  tour.step(L"Switched off", [&] {
    provider.maxLetterSize(0);
    return std::to_wstring(provider.maxLetterSize()) + L" (no limit)";
  });
  tour.step(L"Relaying with POP3 before SMTP", [&] {
    provider.setRelay(2, 1, 30);
    return relayText(provider);
  });
  tour.step(L"Relaying with SMTP authentication", [&] {
    provider.setRelay(2, 3, 0);
    return relayText(provider);
  });
  tour.step(L"Relaying without authorisation", [&] {
    try {
      provider.setRelay(0, 0, 0);
    } catch (...) {
      return L"refused: " + describeFailure(false) + L"; still " + relayText(provider);
    }
    throw std::runtime_error("open relaying was accepted");
  });
  tour.step(L"DNS server", [&] {
    provider.setDNSServers({L"192.0.2.53"});
    return listed([&](StringList& items) { provider.dnsServers(items); });
  });

  tour.section(L"Lists in the mail server's own files");
  tour.say(L"The black list, the relaying addresses and the DNS black lists are text files that the");
  tour.say(L"module rewrites whole, keeping a copy until the new file is written.");
  tour.step(L"Black-list spam.example", [&] {
    provider.addBadMail(L"spam.example");
    provider.addBadMail(L"junk.example");
    return listed([&](StringList& items) { provider.allBadMail(items); });
  });
  tour.step(L"Remove junk.example", [&] {
    provider.delBadMail(L"junk.example");
    return listed([&](StringList& items) { provider.allBadMail(items); });
  });
  tour.step(L"Relay for 10.0.4.0/22, 192.0.2.7", [&] {
    provider.addRelayIP(L"10.0.4.0", 22);
    provider.addRelayIP(L"192.0.2.7", 32);
    return blocks(provider);
  });
  tour.step(L"Remove 10.0.0.0/8", [&] {
    provider.delRelayIP(L"10.0.0.0", 8);
    return blocks(provider);
  });
  tour.step(L"DNS black lists", [&] {
    provider.setMapsProtection({L"bl.example.net", L"dnsbl.example.org"});
    return listed([&](StringList& items) { provider.mapsServers(items); });
  });

  tour.section(L"Domain aliases");
  tour.say(L"An alias is a second name of a domain; it follows the domain when it is disabled.");
  tour.step(L"Add example.net to example.com", [&] {
    provider.addAlias(company, L"example.net");
    provider.addAlias(company, L"example.org");
    return listed([&](StringList& items) { provider.domainAliases(company, items); });
  });
  tour.step(L"Rename example.org to example.info", [&] {
    provider.renameAlias(company, L"example.org", L"example.info");
    return listed([&](StringList& items) { provider.domainAliases(company, items); });
  });
  tour.step(L"Remove example.info", [&] {
    provider.delAlias(company, L"example.info");
    return listed([&](StringList& items) { provider.domainAliases(company, items); });
  });
}

}  // namespace mailmgr
