#pragma once
// Typed members of the mail server's three kinds of automation object. Each is a thin
// late-bound call; none checks "LastErr" itself (see call_patterns.h).

#include <string>

#include "automation/dispatch_helper.h"

namespace Dravo {

// Members that the API, domain and account objects share.
class AutomationObject : public DispatchHelper {
 public:
  using DispatchHelper::DispatchHelper;

  Variant getProperty(const std::wstring& name);
  std::wstring getString(const std::wstring& name) { return asString(getProperty(name)); }
  long getNumber(const std::wstring& name) { return asLong(getProperty(name)); }
  bool getFlag(const std::wstring& name) { return asBool(getProperty(name)); }
  void setProperty(const std::wstring& name, const Variant& value);
  void save();
  long lastErr();
};

class ApiObject : public AutomationObject {
 public:
  static constexpr wchar_t progId[] = L"DravoCOM.APIObject";
  ApiObject() : AutomationObject(progId) {}

  Variant openDomain(const std::wstring& name);
  Variant newDomain(const std::wstring& name);
  void deleteDomain(const std::wstring& name);
  void renameDomain(const std::wstring& oldName, const std::wstring& newName);
  std::wstring getDomainList();
  void updateConfiguration();
  void done();
  void init();
};

class DomainObject : public AutomationObject {
 public:
  std::wstring name();
  Variant openAccount(const std::wstring& name);
  Variant newAccount(const std::wstring& name);
  void deleteAccount(const std::wstring& name);
  std::wstring getAccountList();
};

class AccountObject : public AutomationObject {
 public:
  void remove();  // the account's own "Delete"
};

}  // namespace Dravo
