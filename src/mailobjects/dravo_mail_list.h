#pragma once
// One mailing list of a domain: an account of type 1 whose members live in a text file
// (the list file) that one of the account's properties names.

#include <string>

#include "interfaces/mail_storage.h"
#include "automation/automation_objects.h"
#include "interfaces/mail_objects.h"

namespace Dravo {

class DravoMailList : public MailList {
 public:
  // Opens an existing list, also in a disabled domain.
  DravoMailList(const std::wstring& name, const std::wstring& domain);
  // Creates the list with its owner's address; its list file is named but not written.
  DravoMailList(const std::wstring& name, const std::wstring& domain, const std::wstring& adminAddress);
  ~DravoMailList() = default;

  void name(const std::wstring& newName) override;
  std::wstring name() override { return name_; }
  void domain(const std::wstring& newDomain) override;
  std::wstring domain() override { return domain_; }
  void adminEMail(const std::wstring& address) override;
  std::wstring adminEMail() override { return account_.getString(L"M_OwnerAddress"); }
  void enable(bool on) override;
  bool enabled() override { return true; }
  void members(StringList& addresses) override;
  void addMember(const std::wstring& address) override;
  void delMember(const std::wstring& address) override;
  void release() override;
  void reservedOperation() override {}

  // A new account in the domain; records whether the domain was found disabled.
  AccountObject createNewAccount(const std::wstring& name, const std::wstring& domain);
  // Deletes the account; its list file stays on disk.
  static void remove(const std::wstring& name, const std::wstring& domain);

  // Writes the owner and the members into the list's archive element.
  void dump(MailStorageWriter& storage);
  // Reads them back, replacing the list file; elements of unknown servers are passed over.
  void restore(MailStorageReader& storage);

  // domain + "\" + name + ".txt", relative to the configuration directory.
  static std::wstring defaultListFile(const std::wstring& name, const std::wstring& domain);
  // The full path of a list-file value: relative values lie below the configuration
  // directory; for a disabled domain its directory carries the ".d" suffix.
  static std::wstring resolveListFile(const std::wstring& value, const std::wstring& domain, bool domainEnabled);

 private:
  // The list-file property up to its first ";".
  std::wstring listFile();
  std::wstring listFilePath() { return resolveListFile(listFile(), domain_, domainEnabled_); }
  static void copyListProperties(AccountObject& from, AccountObject& to);

  std::wstring name_;
  std::wstring domain_;
  AccountObject account_;
  bool domainEnabled_ = true;
};

}  // namespace Dravo
