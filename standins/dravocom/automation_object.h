#pragma once
// What the three kinds of automation object share: reference counting, IDispatch over the
// member table of their kind (checked as a type library would check it), the journal and
// injected faults, "LastErr", and properties set on the object until "Save" stores them.

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>
#include <vector>

#include "harness.h"
#include "members.h"
#include "platform/com_owners.h"
#include "property_value.h"

class AutomationObject : public IDispatch, public ISupportErrorInfo {
 public:
  // What a successful call gives back: a value, or an object.
  struct Outcome {
    PropertyValue value;
    ComPtr<IDispatch> object;
  };

  AutomationObject(const AutomationObject&) = delete;
  AutomationObject& operator=(const AutomationObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 protected:
  explicit AutomationObject(ObjectKind kind);
  virtual ~AutomationObject();

  // Carries out a checked call of a member of this kind; returns the new "LastErr".
  // "GetProperty", "SetProperty", "Save" and "LastErr" are handled here.
  virtual long perform(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome) = 0;
  virtual long storedProperty(const std::wstring& name, PropertyValue& value) = 0;
  virtual long store(const PropertyMap& changes) = 0;
  // A negative value refuses every call of member but "LastErr".
  virtual long readiness(const Member& member);

 private:
  long carryOut(const Member& member, const std::vector<PropertyValue>& arguments, Outcome& outcome);
  long setProperty(const std::wstring& name, const PropertyValue& value);
  std::wstring journalPrefix() const;
  HRESULT raise(const Fault& fault, EXCEPINFO* exception) const;

  ObjectKind kind_;
  long number_;
  std::atomic<ULONG> references_{1};
  long lastErr_ = 0;
  PropertyMap pending_;  // set on this object and not saved yet
};
