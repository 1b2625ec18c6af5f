#pragma once
// One mailbox account of a domain, as the mail manager holds it.

#include <string>

#include "automation/automation_objects.h"
#include "interfaces/mail_objects.h"

namespace Dravo {

class DravoMailName : public MailName {
 public:
  // Creates the account with a mailbox limit in bytes (below 1: no limit).
  DravoMailName(const std::wstring& name, const std::wstring& domain, int limit);
  // Opens an existing account, also in a disabled domain.
  DravoMailName(const std::wstring& name, const std::wstring& domain);
  ~DravoMailName() = default;

  void name(const std::wstring& newName) override;
  std::wstring name() override { return name_; }
  void domain(const std::wstring& newDomain) override;
  std::wstring domain() override { return domain_; }
  void quota(int bytes) override;
  int quota() override;
  unsigned mailboxSize() override;
  void password(const std::wstring& password) override;
  std::wstring password() override { return account_.getString(L"U_Password"); }
  void postbox(bool on) override;
  bool postbox() override { return !account_.getFlag(L"U_UseRemoteAddress"); }
  void forwards(StringList& addresses) override;
  void addForward(const std::wstring& address) override;
  void delForward(const std::wstring& address) override;
  void unsupportedSwitch(int) override {}
  bool unsupportedSwitch() override { return false; }
  void aliases(StringList& aliases) override;
  void addAlias(const std::wstring& alias) override;
  void delAlias(const std::wstring& alias) override;
  void attachments(StringList& paths) override;
  void addAttachment(const std::wstring& sourcePath, const std::wstring& fileName) override;
  void delAttachment(const std::wstring& fileName) override;
  void release() override;
  void unsupportedSwitch2(int) override {}
  bool unsupportedSwitch2() override { return false; }
  void reservedOperation() override {}

  static AccountObject createNewAccount(const std::wstring& name, const std::wstring& domain);
  static void remove(const std::wstring& name, const std::wstring& domain);
  // Copies the account properties a mail name carries, as the values the server returns.
  static void copyProperties(AccountObject& from, AccountObject& to);

 private:
  const wchar_t* forwardField() { return postbox() ? L"U_ForwardTo" : L"U_RemoteAddress"; }
  // "U_Alias", raising when the account has none (null, or empty where emptyFails).
  std::wstring aliasList(bool emptyFails, const char* function);
  std::wstring attachmentDir() const;
  std::wstring defaultMailboxPath(const std::wstring& domain, const std::wstring& name) const {
    return domain + L"\\" + name;
  }

  AccountObject account_;
  std::wstring name_;
  std::wstring domain_;
};

}  // namespace Dravo
