#pragma once
// The mail server's configuration: server properties, domains and their accounts, kept in
// memory as the server runs and written to its configuration directory as each change is made.
//
// Files under the configuration directory:
//   server.cfg                 server properties ("C_")
//   domains.cfg                the domains in order, with their properties ("D_")
//   <domain>\accounts.cfg      the domain's accounts in order, with their properties ("U_", "M_")
// A domain's directory carries the server's name of the domain, so a disabled domain
// ("<name>.d") keeps its accounts and its mailing lists' member files in "<name>.d".
//
// Every operation returns a "LastErr" value (last_err.h). Names of domains and accounts are
// compared without regard to case and kept as first written; property names exactly.
// Callers hold serverLock().

#include <set>
#include <string>
#include <vector>

#include "property_value.h"

class MailServer {
 public:
  // Server root for this process from now on (empty: the registry's, as at start); creates its
  // directories and forgets the configuration read so far.
  void setRoot(const std::wstring& root);
  void unload();  // forgets the configuration; it is read again when next needed
  long reload();  // reads the configuration again now

  long serverProperty(const std::wstring& name, PropertyValue& value);
  long saveServer(const PropertyMap& changes);

  long findDomain(const std::wstring& name, std::wstring& stored);
  long newDomain(const std::wstring& name, std::wstring& stored);
  long deleteDomain(const std::wstring& name);
  long renameDomain(const std::wstring& from, const std::wstring& to);
  long domainList(std::wstring& list);
  long domainProperty(const std::wstring& domain, const std::wstring& name, PropertyValue& value);
  long saveDomain(const std::wstring& domain, const PropertyMap& changes);

  long findAccount(const std::wstring& domain, const std::wstring& name, std::wstring& stored);
  long newAccount(const std::wstring& domain, const std::wstring& name, std::wstring& stored);
  long deleteAccount(const std::wstring& domain, const std::wstring& name);
  long accountList(const std::wstring& domain, std::wstring& list);
  long accountProperty(const std::wstring& domain, const std::wstring& account, const std::wstring& name,
                       PropertyValue& value);
  // A change of "U_Name" renames the account; account then holds the new name.
  long saveAccount(const std::wstring& domain, std::wstring& account, const PropertyMap& changes);

  long ready() { return ensureLoaded(); }
  // While on, account files are written only when it is turned off (false if that fails).
  bool deferAccountWrites(bool on);

 private:
  struct Account {
    std::wstring name;  // published as "U_Name"
    PropertyMap properties;
  };
  struct Domain {
    std::wstring name;
    PropertyMap properties;
    std::vector<Account> accounts;
    std::size_t lastFound = 0;  // where the next account search starts
  };

  long ensureLoaded();
  long load();
  const std::wstring& root();
  std::wstring configPath();
  std::wstring domainDirectory(const std::wstring& domain);
  Domain* domain(const std::wstring& name);
  static Account* account(Domain& domain, const std::wstring& name);
  bool writeServer(const PropertyMap& properties);
  bool writeDomains(const std::vector<Domain>& domains);
  bool writeAccounts(const std::wstring& directory, const std::vector<Account>& accounts);
  bool loadAccounts(Domain& domain);
  void removeAccounts(const std::wstring& domain);

  std::wstring root_;
  bool loaded_ = false;
  PropertyMap serverProperties_;
  std::vector<Domain> domains_;
  bool deferring_ = false;
  std::set<std::wstring> pendingAccountFiles_;  // directories whose account file is due
};

MailServer& mailServer();
