#include "automation_object.h"

#include <cstring>

#include "harness.h"
#include "known_properties.h"
#include "last_err.h"
#include "in_process_server.h"

namespace {

// The value a call of member gives when it fails: nothing, false, empty or no object.
void writeFailure(const Member& member, long lastErr, VARIANT* result) {
  if (!result) return;
  VariantInit(result);
  switch (member.result) {
    case ResultKind::boolean:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_FALSE;
      break;
    case ResultKind::integer:
      V_VT(result) = VT_I4;
      V_I4(result) = lastErr;
      break;
    case ResultKind::text: writeResult(PropertyValue::ofText(L""), result); break;
    case ResultKind::object:
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = nullptr;
      break;
    default: break;
  }
}

HRESULT writeSuccess(const Member& member, AutomationObject::Outcome& outcome, VARIANT* result) {
  if (!result) return S_OK;
  VariantInit(result);
  switch (member.result) {
    case ResultKind::none: return S_OK;
    case ResultKind::boolean:
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = VARIANT_TRUE;
      return S_OK;
    case ResultKind::object:
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = outcome.object.get();
      if (outcome.object) outcome.object->AddRef();
      return S_OK;
    default: return writeResult(outcome.value, result) ? S_OK : E_OUTOFMEMORY;
  }
}

}  // namespace

AutomationObject::AutomationObject(ObjectKind kind) : kind_(kind), number_(objectCreated()) {}

AutomationObject::~AutomationObject() { objectDestroyed(); }

HRESULT STDMETHODCALLTYPE AutomationObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE AutomationObject::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE AutomationObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE AutomationObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE AutomationObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE AutomationObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                                          DISPID* ids) {
  if (!names || !ids) return E_INVALIDARG;
  std::lock_guard lock(serverLock());
  for (UINT i = 0; i < count; ++i) {
    harness().record(journalPrefix() + L"GetIDsOfNames(" + (names[i] ? names[i] : L"") + L")");
  }
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    // Further names would name arguments; no member takes named arguments.
    const Member* member = i == 0 && names[i] ? findMember(kind_, names[i]) : nullptr;
    ids[i] = member ? static_cast<DISPID>(member->id) : DISPID_UNKNOWN;
    if (!member) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE AutomationObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (!parameters || (parameters->cArgs && !parameters->rgvarg)) return E_INVALIDARG;
  std::lock_guard lock(serverLock());
  const Member* member = findMember(kind_, id);
  const UINT count = parameters->cArgs;
  // Arguments arrive last first; the journal shows them in written order.
  std::wstring line = journalPrefix() + (member ? member->name : L"?" + std::to_wstring(id)) + L"(";
  for (UINT i = 0; i < count; ++i) line += (i ? L", " : L"") + describeArgument(parameters->rgvarg[count - 1 - i]);
  harness().record(line + L")");

  if (!member) return DISP_E_MEMBERNOTFOUND;
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!(flags & (member->call == CallKind::method ? DISPATCH_METHOD : DISPATCH_PROPERTYGET))) {
    return DISP_E_MEMBERNOTFOUND;
  }
  if (parameters->cNamedArgs) return DISP_E_NONAMEDARGS;
  if (count != std::strlen(member->arguments)) return DISP_E_BADPARAMCOUNT;
  std::vector<PropertyValue> arguments;
  for (UINT i = 0; i < count; ++i) {
    const UINT slot = count - 1 - i;
    const auto value = readArgument(parameters->rgvarg[slot]);
    if (!value || (member->arguments[i] == 'S' && value->type != VT_BSTR)) {
      if (argumentError) *argumentError = slot;
      return DISP_E_TYPEMISMATCH;
    }
    arguments.push_back(*value);
  }

  if (const auto fault = harness().countCall(member->name)) {
    if (fault->failsInvoke && FAILED(fault->hr)) return raise(*fault, exception);
    // An injected refusal; injected with a success code, "LastErr" reports success all the same.
    lastErr_ = fault->failsInvoke ? lasterr::ok : fault->lastErr;
    writeFailure(*member, lastErr_, result);
    return fault->failsInvoke ? fault->hr : S_OK;
  }
  if (member->id == idLastErr) {
    writeFailure(*member, lastErr_, result);  // the failure form of "LastErr" is its value
    return S_OK;
  }
  Outcome outcome;
  lastErr_ = carryOut(*member, arguments, outcome);
  if (lastErr_ < 0) {
    writeFailure(*member, lastErr_, result);
    return S_OK;
  }
  return writeSuccess(*member, outcome, result);
}

HRESULT STDMETHODCALLTYPE AutomationObject::InterfaceSupportsErrorInfo(REFIID iid) {
  return iid == IID_IDispatch ? S_OK : S_FALSE;
}

long AutomationObject::readiness(const Member&) { return lasterr::ok; }

long AutomationObject::carryOut(const Member& member, const std::vector<PropertyValue>& arguments,
                                Outcome& outcome) {
  if (const long ready = readiness(member); ready != lasterr::ok) return ready;
  switch (member.id) {
    case idGetProperty: {
      const auto it = pending_.find(arguments[0].text);
      if (it == pending_.end()) return storedProperty(arguments[0].text, outcome.value);
      outcome.value = it->second;
      return lasterr::ok;
    }
    case idSetProperty: return setProperty(arguments[0].text, arguments[1]);
    case idSave: {
      const long result = store(pending_);
      if (result == lasterr::ok) pending_.clear();
      return result;
    }
    default: return perform(member, arguments, outcome);
  }
}

long AutomationObject::setProperty(const std::wstring& name, const PropertyValue& value) {
  if (!isPropertyOf(kind_, name) || (isTextOnlyProperty(name) && value.type != VT_BSTR)) return lasterr::badProperty;
  PropertyValue current;
  if (const long result = storedProperty(name, current); result != lasterr::ok) return result;
  pending_[name] = value;
  return lasterr::ok;
}

std::wstring AutomationObject::journalPrefix() const {
  return std::wstring(journalName(kind_)) + L"#" + std::to_wstring(number_) + L".";
}

HRESULT AutomationObject::raise(const Fault& fault, EXCEPINFO* exception) const {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put()))) {
    create->SetGUID(IID_IDispatch);
    create->SetSource(const_cast<LPOLESTR>(sourceName(kind_)));
    create->SetDescription(const_cast<LPOLESTR>(fault.description.c_str()));
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.queryInterface(info))) SetErrorInfo(0, info.get());
  }
  if (!exception) return fault.hr;
  std::memset(exception, 0, sizeof *exception);
  Bstr source, description;
  *source.put() = SysAllocString(sourceName(kind_));
  *description.put() = SysAllocStringLen(fault.description.data(), static_cast<UINT>(fault.description.size()));
  exception->bstrSource = source.release();
  exception->bstrDescription = description.release();
  exception->scode = fault.hr;
  return DISP_E_EXCEPTION;
}
