#include "provider/dravo_provider.h"

#include "platform/exceptions.h"

// Operations whose work this module does not do yet: each raises a clear run-time error
// so that a caller sees which one it reached.

namespace Dravo {
namespace {

[[noreturn]] void notBuilt(const char* operation) {
  const std::string name = std::string("Dravo::DravoProvider::") + operation;
  throwRuntimeError(L"Not implemented: " + std::wstring(name.begin(), name.end()), site(name.c_str(), 0));
}

}  // namespace

MailList* DravoProvider::createMailList(const std::wstring&, const std::wstring&, const std::wstring&, bool) { notBuilt("createMailList"); }
MailList* DravoProvider::openMailList(const std::wstring&, const std::wstring&) { notBuilt("openMailList"); }
void DravoProvider::removeMailList(const std::wstring&, const std::wstring&) { notBuilt("removeMailList"); }
void DravoProvider::allBadMail(StringList&) { notBuilt("allBadMail"); }
void DravoProvider::addBadMail(const std::wstring&) { notBuilt("addBadMail"); }
void DravoProvider::delBadMail(const std::wstring&) { notBuilt("delBadMail"); }
void DravoProvider::maxLetterSize(int) { notBuilt("maxLetterSize"); }
int DravoProvider::maxLetterSize() { notBuilt("maxLetterSize"); }
void DravoProvider::setRelay(int, int, int) { notBuilt("setRelay"); }
void DravoProvider::relay(int&, int&, int&) { notBuilt("relay"); }
void DravoProvider::allRelayIPs(RelayAddressList&) { notBuilt("allRelayIPs"); }
void DravoProvider::addRelayIP(const std::wstring&, int) { notBuilt("addRelayIP"); }
void DravoProvider::delRelayIP(const std::wstring&, int) { notBuilt("delRelayIP"); }
void DravoProvider::mapsServers(StringList&) { notBuilt("mapsServers"); }
void DravoProvider::setMapsProtection(const StringList&) { notBuilt("setMapsProtection"); }
bool DravoProvider::isStarted(const std::wstring&) { notBuilt("isStarted"); }
void DravoProvider::start(const std::wstring&, bool) { notBuilt("start"); }
MailInfo* DravoProvider::createMail(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const StringList*, const std::wstring&) { notBuilt("createMail"); }
MailInfo* DravoProvider::forwardMail(const std::wstring&, const std::wstring&, const std::wstring&) { notBuilt("forwardMail"); }
void DravoProvider::getTrafficInfo(const SYSTEMTIME&, const SYSTEMTIME&, TrafficMap&, StringList&) { notBuilt("getTrafficInfo"); }
void DravoProvider::dumpMailBox(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("dumpMailBox"); }
void DravoProvider::dumpMailList(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("dumpMailList"); }
void DravoProvider::restoreMailBox(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("restoreMailBox"); }
void DravoProvider::restoreMailList(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("restoreMailList"); }
void DravoProvider::services(StringList&, unsigned char) { notBuilt("services"); }
void DravoProvider::addAlias(const std::wstring&, const std::wstring&) { notBuilt("addAlias"); }
void DravoProvider::delAlias(const std::wstring&, const std::wstring&) { notBuilt("delAlias"); }
void DravoProvider::renameAlias(const std::wstring&, const std::wstring&, const std::wstring&) { notBuilt("renameAlias"); }
void DravoProvider::domainAliases(const std::wstring&, StringList&) { notBuilt("domainAliases"); }
void DravoProvider::dnsServers(StringList&) { notBuilt("dnsServers"); }
void DravoProvider::setDNSServers(const StringList&) { notBuilt("setDNSServers"); }
void DravoProvider::mailPath(const std::wstring&) { notBuilt("mailPath"); }
void DravoProvider::removeAllDomains() { notBuilt("removeAllDomains"); }

}  // namespace Dravo
