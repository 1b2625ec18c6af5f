#include "mailobjects/dravo_mail_name.h"

#include "automation/call_patterns.h"
#include "mailobjects/open_domain.h"
#include "mailobjects/string_list.h"
#include "platform/unicode_name.h"

namespace Dravo {
namespace {

std::wstring fixed(const wchar_t* text) { return text; }

}  // namespace

AccountObject DravoMailName::createNewAccount(const std::wstring& name, const std::wstring& domain) {
  DomainObject opened = openDomain(ApiObject(), domain);
  return openChild<AccountObject>(
      opened, [&] { return opened.newAccount(name); },
      [&] { return L"DravoCOM.DomainObject.NewAccount failed for name=" + name; },
      site("Dravo::DravoMailName::createNewAccount", __LINE__));
}

DravoMailName::DravoMailName(const std::wstring& name, const std::wstring& domain, int limit)
    : account_(createNewAccount(name, domain)), name_(name), domain_(domain) {
  const auto failure = [&] {
    return L"DravoCOM.AccountObject.Save failed for name=" + name_ + L" and domain " + withUnicodeForm(domain_);
  };
  const CallSite where = site("Dravo::DravoMailName::DravoMailName", __LINE__);
  const auto common = {
      PropertyValue{L"U_Name", Variant(name)},
      PropertyValue{L"U_Alias", Variant(name)},
      PropertyValue{L"U_Comment", Variant(L"Vanto mail account")},
      PropertyValue{L"U_Mailbox", Variant(name + L"@" + domain)},
      PropertyValue{L"U_Password", Variant(L"")},
      PropertyValue{L"U_UseRemoteAddress", Variant::ofBool(true)},
      PropertyValue{L"U_AccountType", Variant::ofInt(1)},
      PropertyValue{L"U_MailBoxPath", Variant(defaultMailboxPath(domain, name))},
  };
  for (const PropertyValue& property : common) account_.setProperty(property.name, property.value);
  if (limit >= 1) {
    writeProperties(account_, {{L"U_MaxBox", Variant::ofInt(1)}, {L"U_MaxBoxSize", Variant::ofI4(limit / 1024)}},
                    failure, where);
  } else {
    writeProperties(account_, {{L"U_MaxBox", Variant::ofInt(0)}}, failure, where);
  }
}

DravoMailName::DravoMailName(const std::wstring& name, const std::wstring& domain) : name_(name), domain_(domain) {
  DomainObject opened = openDomain(ApiObject(), domain);
  account_ = openChild<AccountObject>(
      opened, [&] { return opened.openAccount(name); },
      [&] { return L"DravoCOM.DomainObject.OpenAccount failed for name=" + name; },
      site("Dravo::DravoMailName::DravoMailName", __LINE__));
}

void DravoMailName::remove(const std::wstring& name, const std::wstring& domain) {
  DomainObject opened = openDomain(ApiObject(), domain);
  checkedCall(
      opened, [&] { opened.deleteAccount(name); },
      [&] { return L"DravoCOM.DomainObject.DeleteAccount failed for name=" + withUnicodeForm(name); },
      site("Dravo::DravoMailName::remove", __LINE__));
}

void DravoMailName::quota(int bytes) {
  const auto failure = [] { return fixed(L"DravoCOM.AccountObject.Save failed to change quota"); };
  const CallSite where = site("Dravo::DravoMailName::quota", __LINE__);
  if (bytes > 0) {
    writeProperties(account_, {{L"U_MaxBox", Variant::ofInt(1)}, {L"U_MaxBoxSize", Variant::ofI4(bytes / 1024)}},
                    failure, where);
  } else {
    writeProperties(account_, {{L"U_MaxBox", Variant::ofInt(0)}}, failure, where);
  }
}

int DravoMailName::quota() {
  if (account_.getNumber(L"U_MaxBox") == 0) return -1;
  return static_cast<int>(account_.getNumber(L"U_MaxBoxSize") * 1024);
}

void DravoMailName::password(const std::wstring& password) {
  writeProperties(account_, {{L"U_Password", Variant(password)}},
                  [] { return fixed(L"DravoCOM.AccountObject.Save failed to change password"); },
                  site("Dravo::DravoMailName::password", __LINE__));
}

void DravoMailName::postbox(bool on) {
  if (postbox() == on) return;
  // The forwarding list lives in "U_ForwardTo" while the mailbox is on and in
  // "U_RemoteAddress" while it is off, so it moves with the switch.
  const wchar_t* from = on ? L"U_RemoteAddress" : L"U_ForwardTo";
  const wchar_t* to = on ? L"U_ForwardTo" : L"U_RemoteAddress";
  account_.setProperty(L"U_UseRemoteAddress", Variant::ofBool(!on));
  account_.setProperty(L"U_UseRemoteAddress", Variant::ofInt(on ? 0 : 1));
  const std::wstring forwards = account_.getString(from);
  writeProperties(account_, {{to, Variant(forwards)}, {from, Variant(L"")}},
                  [] { return fixed(L"DravoCOM.AccountObject.Save failed to change postbox status"); },
                  site("Dravo::DravoMailName::postbox", __LINE__));
}

void DravoMailName::forwards(StringList& addresses) { tokenize(addresses, account_.getString(forwardField()), L";"); }

void DravoMailName::addForward(const std::wstring& address) {
  const wchar_t* field = forwardField();
  std::wstring value = account_.getString(field);
  value = value.empty() ? address : value + L";" + address;
  writeProperties(account_, {{field, Variant(value)}},
                  [] { return fixed(L"DravoCOM.AccountObject.Save failed to add forward"); },
                  site("Dravo::DravoMailName::addForward", __LINE__));
}

void DravoMailName::delForward(const std::wstring& address) {
  const wchar_t* field = forwardField();
  std::wstring value = account_.getString(field);
  delFromStrList(value, address);
  writeProperties(account_, {{field, Variant(value)}},
                  [] { return fixed(L"DravoCOM.AccountObject.Save failed to remove forward"); },
                  site("Dravo::DravoMailName::delForward", __LINE__));
}

std::wstring DravoMailName::aliasList(bool emptyFails, const char* function) {
  const Variant value = account_.getProperty(L"U_Alias");
  std::wstring aliases = isNullString(value) ? std::wstring() : asString(value);
  if (isNullString(value) || (emptyFails && aliases.empty())) {
    throwRuntimeError(L"Account must have at least one alias. Account " + name_, site(function, __LINE__));
  }
  return aliases;
}

void DravoMailName::aliases(StringList& aliases) {
  tokenize(aliases, aliasList(false, "Dravo::DravoMailName::aliases"), L";");
}

void DravoMailName::addAlias(const std::wstring& alias) {
  const std::wstring value = aliasList(true, "Dravo::DravoMailName::addAlias");
  writeProperties(account_, {{L"U_Alias", Variant(value + L";" + alias)}},
                  [] { return fixed(L"DravoCOM.AccountObject.Save failed to add alias"); },
                  site("Dravo::DravoMailName::addAlias", __LINE__));
}

void DravoMailName::delAlias(const std::wstring& alias) {
  std::wstring value = aliasList(true, "Dravo::DravoMailName::delAlias");
  delFromStrList(value, alias);
  if (value.empty()) {
    throwRuntimeError(L"Account must have at least one alias. Account " + name_,
                      site("Dravo::DravoMailName::delAlias", __LINE__));
  }
  writeProperties(account_, {{L"U_Alias", Variant(value)}},
                  [] { return fixed(L"DravoCOM.AccountObject.Save failed to remove alias"); },
                  site("Dravo::DravoMailName::delAlias", __LINE__));
}

// The table has no destructor entry: the object ends its own life here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
void DravoMailName::release() { delete this; }
#pragma GCC diagnostic pop

}  // namespace Dravo
