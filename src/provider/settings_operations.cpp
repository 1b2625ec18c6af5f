// Server-wide settings held as properties of the API object: message size, relaying
// modes, DNS server, mail path and the internal antivirus and spam engine.

#include "automation/call_patterns.h"
#include "provider/dravo_provider.h"

namespace Dravo {
namespace {

FailureText text(const wchar_t* failure) {
  return [failure] { return std::wstring(failure); };
}

}  // namespace

void DravoProvider::maxLetterSize(int size) {
  ApiObject api;
  if (size > 0) {
    api.setProperty(L"C_Config_Exchange_MaxData", Variant::ofInt(1));
    api.setProperty(L"C_Config_Exchange_MaxDataSize", Variant::ofI4(size));
  } else {
    api.setProperty(L"C_Config_Exchange_MaxData", Variant::ofInt(0));
  }
  api.save();
  checkLastErr(api, text(L"DravoCOM.APIObject.Save failed for set max letter size"),
               site("Dravo::DravoProvider::maxLetterSize", 337));
}

int DravoProvider::maxLetterSize() {
  ApiObject api;
  if (!api.getFlag(L"C_Config_Exchange_MaxData")) return 0;
  return static_cast<int>(api.getNumber(L"C_Config_Exchange_MaxDataSize"));
}

void DravoProvider::setRelay(int mode, int authorization, int value) {
  const char* const operation = "Dravo::DravoProvider::setRelay";
  if (mode == 0) throwRuntimeError(L"Relay w/o authorization does not supported", site(operation, 346));
  if (mode == 2 && authorization != 1 && authorization != 3) {
    throwRuntimeError(L"Only SMTP and POP3SMTP authorization supported", site(operation, 356));
  }
  ApiObject api;
  if (mode == 1) api.setProperty(L"C_Config_Delivery_UseDoNotRelay", Variant::ofInt(0));
  if (mode == 2) {
    api.setProperty(L"C_Config_Delivery_UseDoNotRelay", Variant::ofInt(1));
    api.setProperty(L"C_Config_Delivery_POP3SMTPRelay", Variant::ofInt(authorization == 1 ? 1 : 0));
    if (authorization == 1) api.setProperty(L"C_Config_Delivery_POP3SMTPValue", Variant::ofI4(value));
  }
  api.save();
  checkLastErr(api, text(L"DravoCOM.APIObject.Save failed to change relay settings"), site(operation, 369));
}

void DravoProvider::relay(int& mode, int& authorization, int& value) {
  ApiObject api;
  const long doNotRelay = api.getNumber(L"C_Config_Delivery_UseDoNotRelay");
  const long pop3 = api.getNumber(L"C_Config_Delivery_POP3SMTPRelay");
  const long pop3Value = api.getNumber(L"C_Config_Delivery_POP3SMTPValue");
  mode = doNotRelay != 0 ? 2 : 1;
  authorization = pop3 != 0 ? 1 : 3;
  value = static_cast<int>(pop3Value);
}

void DravoProvider::dnsServers(StringList& servers) {
  ApiObject api;
  const Variant server = api.getProperty(L"C_Config_System_DNSServer");
  if (!isNullString(server)) servers.push_back(asString(server));
}

void DravoProvider::setDNSServers(const StringList& servers) {
  ApiObject api;
  writeProperties(api, {{L"C_Config_System_DNSServer", Variant(servers.empty() ? std::wstring() : servers.front())}},
                  text(L"DravoCOM.APIObject.Save failed to set DNS server"),
                  site("Dravo::DravoProvider::setDNSServers", 937));
}

void DravoProvider::mailPath(const std::wstring& path) {
  ApiObject api;
  writeProperties(api, {{L"C_MailPath", Variant(path)}}, text(L"DravoCOM.APIObject.Save failed to set mail path"),
                  site("Dravo::DravoProvider::mailPath", 1000));
}

}  // namespace Dravo
