#pragma once
#include "automation/dispatch_helper.h"
#include "interfaces/mail_provider.h"

namespace Dravo {

// The provider handed to the mail manager. It keeps no state between operations: each
// one that talks to the mail server makes its own automation objects.
class DravoProvider : public MailProvider {
 public:
  DravoProvider();
  ~DravoProvider() = default;

  // Reads the server's version as three numbers; raises when it is unknown.
  void getVersion(int& major, int& minor, int& build);

  bool productInfo(std::wstring& name, std::wstring& version) override;
  bool isSupported(int code) override;
  std::wstring serviceName(int kind) override;
  MailName* createMailName(const std::wstring& name, const std::wstring& domain, int quota) override;
  MailName* openMailName(const std::wstring& name, const std::wstring& domain) override;
  void removeMailName(const std::wstring& name, const std::wstring& domain) override;
  void mailNames(const std::wstring& domain, StringList& names) override;
  MailList* createMailList(const std::wstring& name, const std::wstring& domain, const std::wstring& adminAddress,
                                bool notify) override;
  MailList* openMailList(const std::wstring& name, const std::wstring& domain) override;
  void removeMailList(const std::wstring& name, const std::wstring& domain) override;
  void mailLists(const std::wstring& domain, StringList& names) override;
  MailDomain* createDomain(const std::wstring& name, int limit) override;
  MailDomain* openDomain(const std::wstring& name) override;
  void removeDomain(const std::wstring& name) override;
  void domains(StringList& names) override;
  void allBadMail(StringList& addresses) override;
  void addBadMail(const std::wstring& address) override;
  void delBadMail(const std::wstring& address) override;
  void maxLetterSize(int size) override;
  int maxLetterSize() override;
  void setRelay(int mode, int authorization, int value) override;
  void relay(int& mode, int& authorization, int& value) override;
  void allRelayIPs(RelayAddressList& addresses) override;
  void addRelayIP(const std::wstring& address, int mask) override;
  void delRelayIP(const std::wstring& address, int mask) override;
  void allRelayBlackList(StringList& addresses) override;
  void addRelayBlackList(const std::wstring& address) override;
  void delRelayBlackList(const std::wstring& address) override;
  void mapsServers(StringList& servers) override;
  void setMapsProtection(const StringList& servers) override;
  void accountsFormat() override;
  int providerRevision() override;
  bool isStarted(const std::wstring& service) override;
  void start(const std::wstring& service, bool start) override;
  void release() override;
  MailInfo* createMail(const std::wstring& fromAddress, const std::wstring& fromName,
                            const std::wstring& toAddress, const std::wstring& toName, const std::wstring& subject,
                            const std::wstring& body, const StringList* attachments,
                            const std::wstring& replyTo) override;
  MailInfo* forwardMail(const std::wstring& newAddress, const std::wstring& newName,
                             const std::wstring& fileName) override;
  void getTrafficInfo(const SYSTEMTIME& from, const SYSTEMTIME& to, TrafficMap& traffic,
                      StringList& finishedFiles) override;
  void domainMailPaths(const std::wstring& domain, const std::wstring& mailName, StringList& paths) override;
  void mailPaths(StringList& paths) override;
  void dumpMailBox(MailStorageWriter& storage, const std::wstring& domain, const std::wstring& name) override;
  void dumpMailList(MailStorageWriter& storage, const std::wstring& domain, const std::wstring& name) override;
  void restoreMailBox(MailStorageReader& storage, const std::wstring& domain, const std::wstring& name) override;
  void restoreMailList(MailStorageReader& storage, const std::wstring& domain, const std::wstring& name) override;
  void services(StringList& names, unsigned char flags) override;
  void addAlias(const std::wstring& domain, const std::wstring& alias) override;
  void delAlias(const std::wstring& domain, const std::wstring& alias) override;
  void renameAlias(const std::wstring& domain, const std::wstring& oldAlias, const std::wstring& newAlias) override;
  void domainAliases(const std::wstring& domain, StringList& aliases) override;
  void dnsServers(StringList& servers) override;
  void setDNSServers(const StringList& servers) override;
  void mailPath(const std::wstring& path) override;
  std::wstring mailPath() override;
  void removeAllDomains() override;

 private:
  DispatchHelper dispatch_;  // stays empty: every operation makes its own objects
};

}  // namespace Dravo
