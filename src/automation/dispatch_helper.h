#pragma once
// One automation object reached by late binding: a counted IDispatch reference and the
// member identifiers already looked up on it. Copies share the object and look up on
// their own from the map they were copied with.

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <map>
#include <string>

#include "platform/com_owners.h"

class DispatchHelper {
 public:
  DispatchHelper() = default;
  // Creates the object; raises "Can't CreateInstance(...)" on failure.
  explicit DispatchHelper(const wchar_t* progId);

  // A ProgID, or a CLSID in braces; class context in-process server, handler or local server.
  HRESULT CreateInstance(const wchar_t* progId);
  // Replaces the object by the one a call returned; E_NOINTERFACE when it holds none.
  HRESULT attach(const VARIANT& value);

  DISPID dispId(const std::wstring& name);

  // Calls member with kind DISPATCH_METHOD or DISPATCH_PROPERTYGET and the arguments in
  // their written order; the raw result. A failing call raises ComError.
  Variant invoke(const std::wstring& member, WORD kind, std::initializer_list<const Variant*> arguments = {});
  Variant call(const std::wstring& member, std::initializer_list<const Variant*> arguments = {}) {
    return invoke(member, DISPATCH_METHOD, arguments);
  }
  // Writes a property (DISPATCH_PROPERTYPUT); a failing call raises ComError.
  void put(const std::wstring& member, const Variant& value);
  // The object as a VT_DISPATCH value (VT_EMPTY when there is none), to pass it as an argument.
  Variant asVariant() const;

  bool empty() const { return !object_; }

 private:
  ComPtr<IDispatch> object_;
  std::map<std::wstring, DISPID> ids_;
};

// Results converted to the declared type; a value that does not convert raises ComError.
bool asBool(const Variant& value);
long asLong(const Variant& value);
std::wstring asString(const Variant& value);  // a null BSTR reads as the empty string
// True for a value that holds no string at all: empty, null, or a null BSTR.
bool isNullString(const Variant& value);
