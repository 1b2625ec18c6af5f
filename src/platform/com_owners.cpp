#include "platform/com_owners.h"

#include "platform/com_error.h"

Bstr::Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!b_) throw ComError(E_OUTOFMEMORY);
}

Variant::Variant(const std::wstring& text) : Variant() {
  Bstr b(text);
  V_VT(&v_) = VT_BSTR;
  V_BSTR(&v_) = b.release();
}

Variant Variant::ofInt(int value) {
  Variant v;
  V_VT(&v.v_) = VT_INT;
  V_INT(&v.v_) = value;
  return v;
}

Variant Variant::ofI4(long value) {
  Variant v;
  V_VT(&v.v_) = VT_I4;
  V_I4(&v.v_) = value;
  return v;
}

Variant Variant::ofBool(bool value) {
  Variant v;
  V_VT(&v.v_) = VT_BOOL;
  V_BOOL(&v.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

Variant::Variant(const Variant& other) : Variant() {
  const HRESULT hr = VariantCopy(&v_, const_cast<VARIANT*>(&other.v_));
  if (FAILED(hr)) throw ComError(hr);
}
