#include "objects.h"

#include "last_err.h"
#include "mail_server.h"

namespace {

template <class Object, class... Names>
ComPtr<IDispatch> make(const Names&... names) {
  return ComPtr<IDispatch>(static_cast<IDispatch*>(new Object(names...)));
}

}  // namespace

ApiObject::ApiObject() : AutomationObject(ObjectKind::api) {}

long ApiObject::readiness(const Member& member) {
  if (initialised_ || member.id == idInit || member.id == idDone) return lasterr::ok;
  return lasterr::notInitialised;
}

long ApiObject::perform(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome) {
  MailServer& server = mailServer();
  std::wstring name;
  long result = lasterr::ok;
  switch (member.id) {
    case idOpenDomain:
    case idNewDomain:
      result = member.id == idOpenDomain ? server.findDomain(arguments[0].text, name)
                                         : server.newDomain(arguments[0].text, name);
      if (result == lasterr::ok) outcome.object = make<DomainObject>(name);
      return result;
    case idDeleteDomain: return server.deleteDomain(arguments[0].text);
    case idRenameDomain: return server.renameDomain(arguments[0].text, arguments[1].text);
    case idGetDomainList:
      outcome.value.type = VT_BSTR;
      return server.domainList(outcome.value.text);
    case idUpdateConfiguration: return server.ready();
    case idDone:
      server.unload();
      initialised_ = false;
      return lasterr::ok;
    case idInit:
      // The argument would name another configuration; this server has only its own.
      initialised_ = true;
      return server.reload();
    default: return lasterr::ok;
  }
}

long ApiObject::storedProperty(const std::wstring& name, PropertyValue& value) {
  return mailServer().serverProperty(name, value);
}

long ApiObject::store(const PropertyMap& changes) { return mailServer().saveServer(changes); }

DomainObject::DomainObject(const std::wstring& name) : AutomationObject(ObjectKind::domain), name_(name) {}

long DomainObject::perform(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome) {
  MailServer& server = mailServer();
  std::wstring name;
  long result = lasterr::ok;
  switch (member.id) {
    case idName: outcome.value = PropertyValue::ofText(name_); return lasterr::ok;
    case idOpenAccount:
    case idNewAccount:
      result = member.id == idOpenAccount ? server.findAccount(name_, arguments[0].text, name)
                                          : server.newAccount(name_, arguments[0].text, name);
      if (result == lasterr::ok) outcome.object = make<AccountObject>(name_, name);
      return result;
    case idDeleteAccount: return server.deleteAccount(name_, arguments[0].text);
    case idGetAccountList:
      outcome.value.type = VT_BSTR;
      return server.accountList(name_, outcome.value.text);
    default: return lasterr::ok;
  }
}

long DomainObject::storedProperty(const std::wstring& name, PropertyValue& value) {
  return mailServer().domainProperty(name_, name, value);
}

long DomainObject::store(const PropertyMap& changes) { return mailServer().saveDomain(name_, changes); }

AccountObject::AccountObject(const std::wstring& domain, const std::wstring& name)
    : AutomationObject(ObjectKind::account), domain_(domain), name_(name) {}

long AccountObject::perform(const Member& member, const std::vector<PropertyValue>&, Outcome&) {
  if (member.id == idDelete) return mailServer().deleteAccount(domain_, name_);
  return lasterr::ok;
}

long AccountObject::storedProperty(const std::wstring& name, PropertyValue& value) {
  return mailServer().accountProperty(domain_, name_, name, value);
}

long AccountObject::store(const PropertyMap& changes) { return mailServer().saveAccount(domain_, name_, changes); }
