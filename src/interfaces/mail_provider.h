#pragma once
// The interface between the mail manager and the module: 54 operations that the mail
// manager calls by their place in the table. The order of declaration is the slot order.
// Objects it hands out are new objects owned by the caller; every object dies through its
// own release(), never through a destructor call of the mail manager.

#include <memory>
#include <string>

#include "interfaces/mail_objects.h"
#include "interfaces/provider_types.h"

class MailStorageWriter;
class MailStorageReader;

// GCC gives overloads (maxLetterSize, mailPath) their slots in declaration order. The
// relaying pairs of slot 22 are std::list<std::pair<std::wstring, int>>: address, prefix length.
class MailProvider {
 public:
  virtual bool productInfo(std::wstring& name, std::wstring& version) = 0;  // 0
  virtual bool isSupported(int code) = 0;
  virtual std::wstring serviceName(int kind) = 0;
  virtual MailName* createMailName(const std::wstring& name, const std::wstring& domain, int quota) = 0;
  virtual MailName* openMailName(const std::wstring& name, const std::wstring& domain) = 0;
  virtual void removeMailName(const std::wstring& name, const std::wstring& domain) = 0;  // 5
  virtual void mailNames(const std::wstring& domain, StringList& names) = 0;
  virtual MailList* createMailList(const std::wstring& name, const std::wstring& domain,
                                               const std::wstring& adminAddress, bool notify) = 0;
  virtual MailList* openMailList(const std::wstring& name, const std::wstring& domain) = 0;
  virtual void removeMailList(const std::wstring& name, const std::wstring& domain) = 0;
  virtual void mailLists(const std::wstring& domain, StringList& names) = 0;  // 10
  virtual MailDomain* createDomain(const std::wstring& name, int limit) = 0;
  virtual MailDomain* openDomain(const std::wstring& name) = 0;
  virtual void removeDomain(const std::wstring& name) = 0;
  virtual void domains(StringList& names) = 0;
  virtual void allBadMail(StringList& addresses) = 0;  // 15
  virtual void addBadMail(const std::wstring& address) = 0;
  virtual void delBadMail(const std::wstring& address) = 0;
  virtual void maxLetterSize(int size) = 0;
  virtual int maxLetterSize() = 0;
  virtual void setRelay(int mode, int authorization, int value) = 0;  // 20
  virtual void relay(int& mode, int& authorization, int& value) = 0;
  virtual void allRelayIPs(RelayAddressList& addresses) = 0;
  virtual void addRelayIP(const std::wstring& address, int mask) = 0;
  virtual void delRelayIP(const std::wstring& address, int mask) = 0;
  virtual void allRelayBlackList(StringList& addresses) = 0;  // 25
  virtual void addRelayBlackList(const std::wstring& address) = 0;
  virtual void delRelayBlackList(const std::wstring& address) = 0;
  virtual void mapsServers(StringList& servers) = 0;
  virtual void setMapsProtection(const StringList& servers) = 0;
  virtual void accountsFormat() = 0;  // 30
  virtual int providerRevision() = 0;
  virtual bool isStarted(const std::wstring& service) = 0;
  virtual void start(const std::wstring& service, bool start) = 0;
  virtual void release() = 0;
  virtual MailInfo* createMail(const std::wstring& fromAddress, const std::wstring& fromName,
                                           const std::wstring& toAddress, const std::wstring& toName,
                                           const std::wstring& subject, const std::wstring& body,
                                           const StringList* attachments, const std::wstring& replyTo) = 0;  // 35
  virtual MailInfo* forwardMail(const std::wstring& newAddress, const std::wstring& newName,
                                            const std::wstring& fileName) = 0;
  virtual void getTrafficInfo(const SYSTEMTIME& from, const SYSTEMTIME& to, TrafficMap& traffic,
                              StringList& finishedFiles) = 0;
  virtual void domainMailPaths(const std::wstring& domain, const std::wstring& mailName, StringList& paths) = 0;
  virtual void mailPaths(StringList& paths) = 0;
  virtual void dumpMailBox(MailStorageWriter& storage, const std::wstring& domain, const std::wstring& name) = 0;  // 40
  virtual void dumpMailList(MailStorageWriter& storage, const std::wstring& domain, const std::wstring& name) = 0;
  virtual void restoreMailBox(MailStorageReader& storage, const std::wstring& domain, const std::wstring& name) = 0;
  virtual void restoreMailList(MailStorageReader& storage, const std::wstring& domain, const std::wstring& name) = 0;
  virtual void services(StringList& names, unsigned char flags) = 0;
  virtual void addAlias(const std::wstring& domain, const std::wstring& alias) = 0;  // 45
  virtual void delAlias(const std::wstring& domain, const std::wstring& alias) = 0;
  virtual void renameAlias(const std::wstring& domain, const std::wstring& oldAlias, const std::wstring& newAlias) = 0;
  virtual void domainAliases(const std::wstring& domain, StringList& aliases) = 0;
  virtual void dnsServers(StringList& servers) = 0;
  virtual void setDNSServers(const StringList& servers) = 0;  // 50
  virtual void mailPath(const std::wstring& path) = 0;
  virtual std::wstring mailPath() = 0;
  virtual void removeAllDomains() = 0;  // 53

 protected:
  ~MailProvider() = default;
};

// Holds a provider and ends it through its own release slot.
struct MailProviderRelease {
  void operator()(MailProvider* provider) const { provider->release(); }
};
using MailProviderPtr = std::unique_ptr<MailProvider, MailProviderRelease>;
