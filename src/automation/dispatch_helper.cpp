#include "automation/dispatch_helper.h"

#include <objbase.h>
#include <ole2.h>

#include <vector>

#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/format.h"

namespace {

constexpr DWORD anyContext = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

HRESULT classOf(const wchar_t* progId, CLSID& clsid) {
  if (!progId) return E_INVALIDARG;
  return progId[0] == L'{' ? CLSIDFromString(progId, &clsid) : CLSIDFromProgID(progId, &clsid);
}

// The failure of Invoke with the error description it came with: an exception reported
// through EXCEPINFO, otherwise the thread's error info.
[[noreturn]] void throwInvokeFailure(HRESULT hr, EXCEPINFO& info) {
  if (hr != DISP_E_EXCEPTION) throwComError(hr);
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  const Bstr source = Bstr::adopt(info.bstrSource), help = Bstr::adopt(info.bstrHelpFile);
  const Bstr description = Bstr::adopt(info.bstrDescription);
  HRESULT code = info.scode;
  if (code == S_OK) code = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, info.wCode + 0x200);
  throw ComError(code, description.str());
}

Variant converted(const Variant& value, VARTYPE type) {
  Variant result;
  const HRESULT hr = VariantChangeType(result.get(), const_cast<VARIANT*>(value.get()), 0, type);
  if (FAILED(hr)) throw ComError(hr);
  return result;
}

}  // namespace

DispatchHelper::DispatchHelper(const wchar_t* progId) { CreateInstance(progId); }

HRESULT DispatchHelper::CreateInstance(const wchar_t* progId) {
  CLSID clsid{};
  HRESULT hr = classOf(progId, clsid);
  if (SUCCEEDED(hr)) {
    object_.reset();
    ComPtr<IUnknown> unknown;
    hr = CoCreateInstance(clsid, nullptr, anyContext, IID_IUnknown, reinterpret_cast<void**>(unknown.put()));
    if (SUCCEEDED(hr)) hr = OleRun(unknown.get());
    if (SUCCEEDED(hr)) hr = unknown.queryInterface(object_);
  }
  if (FAILED(hr)) {
    object_.reset();
    throw vexception(ComError(hr), format(L"Can't CreateInstance(%s)", progId ? progId : L"(null)"),
                     "DispatchHelper::CreateInstance", 0);
  }
  return hr;
}

HRESULT DispatchHelper::attach(const VARIANT& value) {
  ComPtr<IDispatch> found;
  HRESULT hr = E_NOINTERFACE;
  const VARTYPE type = V_VT(&value);
  if (type == VT_EMPTY) {
    // Converts to a null object, which holds no interface.
  } else if (type == VT_DISPATCH || type == VT_UNKNOWN) {
    IUnknown* held = type == VT_DISPATCH ? V_DISPATCH(&value) : V_UNKNOWN(&value);
    if (held) hr = held->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(found.put()));
  } else {
    for (VARTYPE target : {VARTYPE(VT_DISPATCH), VARTYPE(VT_UNKNOWN)}) {
      Variant changed;
      hr = VariantChangeType(changed.get(), const_cast<VARIANT*>(&value), 0, target);
      if (SUCCEEDED(hr)) {
        IUnknown* held = V_UNKNOWN(changed.get());
        hr = held ? held->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(found.put())) : E_NOINTERFACE;
      }
      if (hr != E_NOINTERFACE) break;
    }
  }
  object_ = SUCCEEDED(hr) ? found : ComPtr<IDispatch>();
  return hr;
}

DISPID DispatchHelper::dispId(const std::wstring& name) {
  if (const auto known = ids_.find(name); known != ids_.end()) return known->second;
  if (!object_) throw ComError(E_POINTER);
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  const HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
  if (FAILED(hr)) {
    throw vexception(ComError(hr), format(L"Can't get disp ID for member (%s)", name.c_str()), "DispatchHelper::dispId",
                     0);
  }
  ids_.emplace(name, id);
  return id;
}

Variant DispatchHelper::invoke(const std::wstring& member, WORD kind, std::initializer_list<const Variant*> arguments) {
  const DISPID id = dispId(member);
  // DISPPARAMS takes the arguments last to first. The array holds shallow copies: the
  // callers' Variants keep owning what they point to.
  std::vector<VARIANT> reversed;
  reversed.reserve(arguments.size());
  for (auto it = std::rbegin(arguments); it != std::rend(arguments); ++it) reversed.push_back(*(*it)->get());
  DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  Variant result;
  EXCEPINFO exception{};
  UINT badArgument = 0;
  const HRESULT hr =
      object_->Invoke(id, IID_NULL, 0, kind, &parameters, result.put(), &exception, &badArgument);
  if (FAILED(hr)) throwInvokeFailure(hr, exception);
  return result;
}

void DispatchHelper::put(const std::wstring& member, const Variant& value) {
  const DISPID id = dispId(member);
  VARIANT argument = *value.get();  // shallow: value keeps owning its content
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS parameters{&argument, &named, 1, 1};
  EXCEPINFO exception{};
  UINT badArgument = 0;
  const HRESULT hr = object_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &parameters, nullptr, &exception, &badArgument);
  if (FAILED(hr)) throwInvokeFailure(hr, exception);
}

Variant DispatchHelper::asVariant() const {
  Variant value;
  if (object_) {
    object_->AddRef();
    V_VT(value.get()) = VT_DISPATCH;
    V_DISPATCH(value.get()) = object_.get();
  }
  return value;
}

bool asBool(const Variant& value) { return V_BOOL(converted(value, VT_BOOL).get()) != VARIANT_FALSE; }

long asLong(const Variant& value) { return V_I4(converted(value, VT_I4).get()); }

std::wstring asString(const Variant& value) {
  if (value.type() == VT_EMPTY || value.type() == VT_NULL) return {};
  const Variant text = converted(value, VT_BSTR);
  const BSTR b = V_BSTR(text.get());
  return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

bool isNullString(const Variant& value) {
  const VARTYPE type = value.type();
  return type == VT_EMPTY || type == VT_NULL || (type == VT_BSTR && V_BSTR(value.get()) == nullptr);
}
