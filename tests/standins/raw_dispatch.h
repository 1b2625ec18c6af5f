#pragma once
// Late-bound calls on the stand-in through IDispatch alone, as a client without a type
// library makes them: names looked up with GetIDsOfNames, arguments passed last first.

#include <windows.h>
#include <oaidl.h>

#include <string>
#include <vector>

#include "platform/com_owners.h"

struct Invocation {
  HRESULT hr = S_OK;
  Variant result;
  UINT argumentError = ~0u;
  SCODE scode = S_OK;          // from EXCEPINFO when hr is DISP_E_EXCEPTION
  std::wstring description;    // likewise
};

class Remote {
 public:
  Remote() = default;
  explicit Remote(ComPtr<IDispatch> object) : object_(std::move(object)) {}
  static Remote createApi();  // a new "DravoCOM.APIObject"; empty when creation fails

  IDispatch* get() const { return object_.get(); }
  explicit operator bool() const { return static_cast<bool>(object_); }

  DISPID dispId(const std::wstring& member, HRESULT* hr = nullptr) const;
  // Arguments in written order.
  Invocation invoke(const std::wstring& member, WORD kind, const std::vector<Variant>& arguments) const;
  Invocation invokeId(DISPID id, WORD kind, std::vector<Variant> arguments) const;

  // A method call that must succeed as an Invoke (records a test failure otherwise).
  Variant call(const std::wstring& member, const std::vector<Variant>& arguments = {}) const;
  long lastErr() const;
  // "OpenDomain", "NewDomain", "OpenAccount" or "NewAccount"; empty when no object came back.
  Remote child(const std::wstring& member, const std::wstring& name) const;
  Variant property(const std::wstring& name) const { return call(L"GetProperty", {Variant(name)}); }
  long setProperty(const std::wstring& name, const Variant& value) const;  // gives "LastErr"
  long save() const;                                                        // gives "LastErr"
  std::wstring text(const std::wstring& member, const std::vector<Variant>& arguments = {}) const;

 private:
  ComPtr<IDispatch> object_;
};

std::wstring textOf(const Variant& value);  // the BSTR held, empty for anything else
