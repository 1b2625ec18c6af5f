#pragma once
// The API object (created by COM), the domain objects it hands out and their account objects.
// A domain or account object holds the name it was opened under: once its domain or account
// is renamed through another object, deleted, or the configuration is read again without it,
// its calls fail with "LastErr" not found.

#include <string>

#include "automation_object.h"

class ApiObject final : public AutomationObject {
 public:
  ApiObject();

 private:
  long perform(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome) override;
  long storedProperty(const std::wstring& name, PropertyValue& value) override;
  long store(const PropertyMap& changes) override;
  long readiness(const Member& member) override;

  bool initialised_ = true;  // "Done" ends the session of this object until "Init"
};

class DomainObject final : public AutomationObject {
 public:
  explicit DomainObject(const std::wstring& name);

 private:
  long perform(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome) override;
  long storedProperty(const std::wstring& name, PropertyValue& value) override;
  long store(const PropertyMap& changes) override;

  std::wstring name_;
};

class AccountObject final : public AutomationObject {
 public:
  AccountObject(const std::wstring& domain, const std::wstring& name);

 private:
  long perform(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome) override;
  long storedProperty(const std::wstring& name, PropertyValue& value) override;
  long store(const PropertyMap& changes) override;

  std::wstring domain_;
  std::wstring name_;  // follows a rename saved through this object
};
