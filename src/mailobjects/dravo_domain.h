#pragma once
// One mail domain of the server, as the mail manager holds it.

#include <functional>
#include <string>

#include "automation/automation_objects.h"
#include "interfaces/mail_objects.h"

namespace Dravo {

class DravoDomain : public MailDomain {
 public:
  // Creates the domain with a mailbox limit in bytes for its mail names.
  DravoDomain(const std::wstring& name, int limit);
  // Opens an existing domain, a disabled one too.
  explicit DravoDomain(const std::wstring& name);
  DravoDomain(ApiObject api, const std::wstring& name);
  ~DravoDomain() = default;

  void name(const std::wstring& newName) override;
  std::wstring name() override { return name_; }
  void enable(bool on) override;
  bool isEnabled() override;
  void quota(int bytes) override;
  int quota() override;
  void totalQuota(int bytes) override;
  int totalQuota() override;
  void bounce(const std::wstring& message) override;
  std::wstring bounce() override { return {}; }
  void catchToEmail(const std::wstring& address) override;
  std::wstring catchToEmail() override;
  void mailNames(StringList& names) override { accountsOfType(0, names); }
  void release() override;
  void discard(bool on) override;
  bool discard() override;
  void reservedOperation() override {}

  void setStrProp(const std::wstring& property, const std::wstring& value);
  void mailLists(StringList& names) { accountsOfType(1, names); }
  long type() { return domain_.getNumber(L"D_Type"); }
  std::wstring getStrProp(const std::wstring& property) { return domain_.getString(property); }

  // Deletes the domain (also under its disabled name), its directories and its aliases.
  static void remove(const std::wstring& name);

 private:
  void accountsOfType(long type, StringList& names);
  void setLimit(const wchar_t* switchProperty, const wchar_t* property, int bytes, const wchar_t* what,
                const char* function);
  void renameAccounts(const std::wstring& oldName, const std::wstring& newName);
  std::wstring named() const;  // the name with its Unicode form, for messages

  std::wstring name_;
  DomainObject domain_;
};

// Applies action to every domain alias (a domain of type 2) that points at target.
void forEachAlias(const std::wstring& target, const std::function<void(DravoDomain&)>& action);

// A name of the server's domain list without the ".d" of a disabled domain.
std::wstring plainDomainName(const std::wstring& listed);

}  // namespace Dravo
