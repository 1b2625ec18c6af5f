#pragma once
// One account of the mail server, opened for its type or a string property without
// building a full mail name or mailing list.

#include <string>

#include "automation/automation_objects.h"

namespace Dravo {

class DravoAccount {
 public:
  // The domain helper is shared so that its member look-ups serve every account opened.
  DravoAccount(DomainObject& domain, const std::wstring& name);
  // Opens the domain (a disabled one too) through a fresh API object.
  DravoAccount(const std::wstring& name, const std::wstring& domain);

  long type() { return account_.getNumber(L"U_Type"); }
  std::wstring getStrProp(const std::wstring& property) { return account_.getString(property); }
  void setStrProp(const std::wstring& property, const std::wstring& value);

  const std::wstring& name() const { return name_; }
  const std::wstring& domain() const { return domain_; }

 private:
  void open(DomainObject& domain);

  AccountObject account_;
  std::wstring name_;
  std::wstring domain_;
};

}  // namespace Dravo
