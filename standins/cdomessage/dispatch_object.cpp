#include "dispatch_object.h"

#include <mutex>

#include "harness.h"
#include "in_process_server.h"
#include "platform/com_owners.h"
#include "property_value.h"

namespace {

bool sameNoCase(const std::wstring& a, const wchar_t* b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b, -1, TRUE) == CSTR_EQUAL;
}

HRESULT raise(HRESULT code, const std::wstring& description, EXCEPINFO* exception) {
  if (!exception) return code;
  *exception = EXCEPINFO{};
  exception->scode = code;
  exception->bstrSource = SysAllocString(L"CDO.Message");
  exception->bstrDescription = SysAllocString(description.c_str());
  return DISP_E_EXCEPTION;
}

}  // namespace

DispatchObject::DispatchObject(const wchar_t* kind, std::vector<MemberSpec> members)
    : kind_(kind), members_(std::move(members)), number_(objectCreated()) {}

DispatchObject::~DispatchObject() { objectDestroyed(); }

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid != IID_IUnknown && iid != IID_IDispatch) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (i > 0) {
      hr = DISP_E_UNKNOWNNAME;  // members take no named arguments
      continue;
    }
    for (size_t m = 0; m < members_.size(); ++m) {
      if (sameNoCase(names[i], members_[m].name)) ids[i] = static_cast<DISPID>(m + 1);
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                                 VARIANT* result, EXCEPINFO* exception, UINT*) {
  if (id < 1 || static_cast<size_t>(id) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  if (!parameters) return E_INVALIDARG;
  const MemberSpec& member = members_[static_cast<size_t>(id - 1)];
  const bool putting = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (putting) {
    if (member.access != Access::put && member.access != Access::getPut) return DISP_E_MEMBERNOTFOUND;
    if (parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || parameters->cArgs < 1) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
  } else {
    if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (member.access == Access::put) return DISP_E_MEMBERNOTFOUND;
  }
  std::vector<VARIANT> arguments;
  for (UINT i = parameters->cArgs; i > (putting ? 1u : 0u); --i) arguments.push_back(parameters->rgvarg[i - 1]);
  const bool calling = !putting && member.access == Access::method;
  {
    std::lock_guard lock(serverLock());
    if (putting) {
      harness().record(journalName() + L"." + member.name + L"=" + describeArgument(parameters->rgvarg[0]));
    } else if (calling) {
      std::wstring line = journalName() + L"." + member.name + L"(";
      for (size_t i = 0; i < arguments.size(); ++i) line += (i ? L", " : L"") + describeArgument(arguments[i]);
      harness().record(line + L")");
    }
    if (const auto fault = harness().countCall(member.name); fault && fault->failsInvoke) {
      return raise(fault->hr, fault->description, exception);
    }
  }
  Variant ignored;
  VARIANT* target = result ? result : ignored.get();
  VariantInit(target);
  try {
    if (putting) {
      put(member.name, parameters->rgvarg[0]);
    } else if (calling) {
      call(member.name, arguments, target);
    } else {
      get(member.name, arguments, target);
    }
  } catch (const Failure& failure) {
    VariantClear(target);
    return raise(failure.code, failure.description, exception);
  } catch (const std::bad_alloc&) {
    VariantClear(target);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void DispatchObject::put(const std::wstring& member, const VARIANT&) {
  throw Failure{DISP_E_MEMBERNOTFOUND, member + L" cannot be written"};
}

void DispatchObject::call(const std::wstring& member, const std::vector<VARIANT>&, VARIANT*) {
  throw Failure{DISP_E_MEMBERNOTFOUND, member + L" is not a method"};
}

std::wstring DispatchObject::journalName() const {
  return kind_ + L"#" + std::to_wstring(number_) + journalSuffix();
}

std::wstring textOf(const VARIANT& value) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) {
    throw DispatchObject::Failure{DISP_E_TYPEMISMATCH, L"A text was expected"};
  }
  const BSTR text = V_BSTR(converted.get());
  return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

long numberOf(const VARIANT& value) {
  Variant converted;
  if (FAILED(VariantChangeType(converted.get(), const_cast<VARIANT*>(&value), 0, VT_I4))) {
    throw DispatchObject::Failure{DISP_E_TYPEMISMATCH, L"A number was expected"};
  }
  return V_I4(converted.get());
}

void returnText(const std::wstring& text, VARIANT* result) {
  V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!V_BSTR(result)) throw std::bad_alloc();
  V_VT(result) = VT_BSTR;
}

void returnNumber(long number, VARIANT* result) {
  V_VT(result) = VT_I4;
  V_I4(result) = number;
}

void returnObject(IDispatch* object, VARIANT* result) {
  V_VT(result) = VT_DISPATCH;
  V_DISPATCH(result) = object;
}
