#include "automation/automation_objects.h"

namespace Dravo {

Variant AutomationObject::getProperty(const std::wstring& name) {
  const Variant key(name);
  return call(L"GetProperty", {&key});
}

void AutomationObject::setProperty(const std::wstring& name, const Variant& value) {
  const Variant key(name);
  asBool(call(L"SetProperty", {&key, &value}));
}

void AutomationObject::save() { asBool(call(L"Save")); }

long AutomationObject::lastErr() { return asLong(invoke(L"LastErr", DISPATCH_PROPERTYGET)); }

Variant ApiObject::openDomain(const std::wstring& name) {
  const Variant arg(name);
  return call(L"OpenDomain", {&arg});
}

Variant ApiObject::newDomain(const std::wstring& name) {
  const Variant arg(name);
  return call(L"NewDomain", {&arg});
}

void ApiObject::deleteDomain(const std::wstring& name) {
  const Variant arg(name);
  asBool(call(L"DeleteDomain", {&arg}));
}

void ApiObject::renameDomain(const std::wstring& oldName, const std::wstring& newName) {
  const Variant from(oldName), to(newName);
  asBool(call(L"RenameDomain", {&from, &to}));
}

std::wstring ApiObject::getDomainList() { return asString(call(L"GetDomainList")); }

void ApiObject::updateConfiguration() { call(L"UpdateConfiguration"); }

void ApiObject::done() { call(L"Done"); }

void ApiObject::init() {
  const Variant empty(L"");
  asBool(call(L"Init", {&empty}));
}

std::wstring DomainObject::name() { return asString(invoke(L"Name", DISPATCH_PROPERTYGET)); }

Variant DomainObject::openAccount(const std::wstring& name) {
  const Variant arg(name);
  return call(L"OpenAccount", {&arg});
}

Variant DomainObject::newAccount(const std::wstring& name) {
  const Variant arg(name);
  return call(L"NewAccount", {&arg});
}

void DomainObject::deleteAccount(const std::wstring& name) {
  const Variant arg(name);
  asBool(call(L"DeleteAccount", {&arg}));
}

std::wstring DomainObject::getAccountList() { return asString(call(L"GetAccountList")); }

void AccountObject::remove() { asBool(call(L"Delete")); }

}  // namespace Dravo
