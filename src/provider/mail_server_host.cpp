#include "provider/mail_server_host.h"

#include "provider/server_switches.h"
#include "provider/dravo_provider.h"
#include "srvclient/vanto_srv_client.h"

namespace {

class MailServerHost : public PackageHost {
 public:
  std::wstring componentInfo(const std::wstring& package, std::uint32_t kind) override {
    return VantoSrvClient::getInstance().componentInfo(package, kind);
  }
  // Each question makes a provider for its duration: its constructor initialises COM on
  // the calling thread, which the switches' automation calls need.
  bool internalAntivirus() override {
    Dravo::DravoProvider provider;
    return Dravo::internalAntivirus();
  }
  void internalAntivirus(bool on) override {
    Dravo::DravoProvider provider;
    Dravo::internalAntivirus(on);
  }
  bool internalSpamAssassin() override {
    Dravo::DravoProvider provider;
    return Dravo::internalSpamAssassin(provider);
  }
  void internalSpamAssassin(bool on) override {
    Dravo::DravoProvider provider;
    Dravo::internalSpamAssassin(provider, on);
  }
  void mailServerVersion(int& major, int& minor, int& build) override {
    Dravo::DravoProvider provider;
    provider.getVersion(major, minor, build);
  }
  MailProviderPtr provider() override { return MailProviderPtr(new Dravo::DravoProvider()); }
};

}  // namespace

std::unique_ptr<PackageHost> makeMailServerHost() { return std::make_unique<MailServerHost>(); }
