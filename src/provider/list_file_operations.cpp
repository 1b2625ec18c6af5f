// Settings kept in the mail server's own list files: the global black list, the DNS
// black-list servers and the relaying addresses. Each reads the whole file, changes it in
// memory and writes it back safely before it touches the matching switch.

#include "automation/call_patterns.h"
#include "listfiles/filter_file.h"
#include "listfiles/rbl_file.h"
#include "listfiles/relaying_file.h"
#include "provider/dravo_provider.h"
#include "automation/server_directories.h"

namespace Dravo {
namespace {

FailureText text(const wchar_t* failure) {
  return [failure] { return std::wstring(failure); };
}

}  // namespace

void DravoProvider::allBadMail(StringList& addresses) { DravoFilterFile(configPath()).restrictedDomains(addresses); }

void DravoProvider::addBadMail(const std::wstring& address) {
  DravoFilterFile filter(configPath());
  filter.addRestrictedDomain(address);
  filter.safeSave();
  ApiObject api;
  writeProperties(api, {{L"C_Config_Delivery_GlobalFilter", Variant::ofInt(1)}},
                  text(L"DravoCOM.APIObject.Save failed to turn on global B&W filter"),
                  site("Dravo::DravoProvider::addBadMail", 263));
}

void DravoProvider::delBadMail(const std::wstring& address) {
  DravoFilterFile filter(configPath());
  filter.delRestrictedDomain(address);
  filter.safeSave();
  if (!filter.isEmpty()) return;
  ApiObject api;
  writeProperties(api, {{L"C_Config_Delivery_GlobalFilter", Variant::ofInt(0)}},
                  text(L"DravoCOM.APIObject.Save failed to turn off global B&W filter"),
                  site("Dravo::DravoProvider::delBadMail", 277));
}

void DravoProvider::mapsServers(StringList& servers) { DravoRblFile(configPath(), true).servers(servers); }

void DravoProvider::setMapsProtection(const StringList& servers) {
  ApiObject api;
  if (!servers.empty()) {
    DravoRblFile rbl(configPath(), false);
    for (const std::wstring& server : servers) rbl.addServer(server);
    rbl.safeSave();
  }
  writeProperties(api, {{L"C_Config_System_RBL", Variant::ofInt(servers.empty() ? 0 : 1)}},
                  text(L"DravoCOM.APIObject.Save failed to change DNSBL mode"),
                  site("Dravo::DravoProvider::setMapsProtection", 443));
  api.updateConfiguration();
}

void DravoProvider::allRelayIPs(RelayAddressList& addresses) { DravoRelayingFile(configPath()).ranges(addresses); }

void DravoProvider::addRelayIP(const std::wstring& address, int mask) {
  DravoRelayingFile relaying(configPath());
  relaying.addIP(address, mask);
  relaying.safeSave();
}

void DravoProvider::delRelayIP(const std::wstring& address, int mask) {
  DravoRelayingFile relaying(configPath());
  relaying.delIP(address, mask);
  relaying.safeSave();
  ApiObject().updateConfiguration();
}

}  // namespace Dravo
