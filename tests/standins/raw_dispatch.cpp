#include "standins/raw_dispatch.h"

#include <algorithm>

#include <gtest/gtest.h>

Remote Remote::createApi() {
  CLSID classId;
  ComPtr<IDispatch> object;
  if (SUCCEEDED(CLSIDFromProgID(L"DravoCOM.APIObject", &classId))) {
    CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(object.put()));
  }
  return Remote(object);
}

DISPID Remote::dispId(const std::wstring& member, HRESULT* hr) const {
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(member.c_str());
  const HRESULT result = object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id);
  if (hr) *hr = result;
  return id;
}

Invocation Remote::invoke(const std::wstring& member, WORD kind, const std::vector<Variant>& arguments) const {
  HRESULT hr;
  const DISPID id = dispId(member, &hr);
  if (FAILED(hr)) {
    Invocation failed;
    failed.hr = hr;
    return failed;
  }
  return invokeId(id, kind, arguments);
}

Invocation Remote::invokeId(DISPID id, WORD kind, std::vector<Variant> arguments) const {
  std::reverse(arguments.begin(), arguments.end());
  std::vector<VARIANT> slots;
  for (auto& argument : arguments) slots.push_back(*argument.get());
  DISPPARAMS parameters{slots.data(), nullptr, static_cast<UINT>(slots.size()), 0};
  EXCEPINFO exception{};
  Invocation outcome;
  outcome.hr = object_->Invoke(id, IID_NULL, 0, kind, &parameters, outcome.result.put(), &exception,
                               &outcome.argumentError);
  Bstr source, description;
  *source.put() = exception.bstrSource;
  *description.put() = exception.bstrDescription;
  SysFreeString(exception.bstrHelpFile);
  outcome.scode = exception.scode;
  outcome.description = description.str();
  return outcome;
}

Variant Remote::call(const std::wstring& member, const std::vector<Variant>& arguments) const {
  Invocation outcome = invoke(member, DISPATCH_METHOD, arguments);
  EXPECT_EQ(outcome.hr, S_OK) << "calling " << std::string(member.begin(), member.end());
  return outcome.result;
}

long Remote::lastErr() const {
  const Invocation outcome = invoke(L"LastErr", DISPATCH_PROPERTYGET, {});
  EXPECT_EQ(outcome.hr, S_OK);
  EXPECT_EQ(outcome.result.type(), VT_I4);
  return V_I4(outcome.result.get());
}

Remote Remote::child(const std::wstring& member, const std::wstring& name) const {
  const Variant result = call(member, {Variant(name)});
  EXPECT_EQ(result.type(), VT_DISPATCH);
  if (result.type() != VT_DISPATCH || !V_DISPATCH(result.get())) return Remote();
  IDispatch* object = V_DISPATCH(result.get());
  object->AddRef();
  return Remote(ComPtr<IDispatch>(object));
}

long Remote::setProperty(const std::wstring& name, const Variant& value) const {
  call(L"SetProperty", {Variant(name), value});
  return lastErr();
}

long Remote::save() const {
  call(L"Save");
  return lastErr();
}

std::wstring Remote::text(const std::wstring& member, const std::vector<Variant>& arguments) const {
  return textOf(call(member, arguments));
}

std::wstring textOf(const Variant& value) {
  if (value.type() != VT_BSTR || !V_BSTR(value.get())) return {};
  return std::wstring(V_BSTR(value.get()), SysStringLen(V_BSTR(value.get())));
}
