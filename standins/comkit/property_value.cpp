#include "property_value.h"

#include <cerrno>
#include <cwchar>

#include "platform/com_owners.h"

namespace {

struct TypeInfo {
  VARTYPE type;
  const wchar_t* tag;
  long long lowest;
  long long highest;
};

// The scalar types kept as numbers, with the range each can hold.
constexpr TypeInfo numberTypes[] = {
    {VT_I1, L"i1", -128, 127},
    {VT_I2, L"i2", -32768, 32767},
    {VT_I4, L"i4", -2147483648LL, 2147483647LL},
    {VT_INT, L"int", -2147483648LL, 2147483647LL},
    {VT_UI1, L"ui1", 0, 255},
    {VT_UI2, L"ui2", 0, 65535},
    {VT_UI4, L"ui4", 0, 4294967295LL},
    {VT_UINT, L"uint", 0, 4294967295LL},
    {VT_BOOL, L"bool", -32768, 32767},
};

const TypeInfo* numberType(VARTYPE type) {
  for (const auto& info : numberTypes) {
    if (info.type == type) return &info;
  }
  return nullptr;
}

// The number held by a VARIANT of one of the number types; byref when VT_BYREF is set.
long long numberOf(const VARIANT& v, VARTYPE type, bool byref) {
  switch (type) {
    case VT_I1: return byref ? *V_I1REF(&v) : V_I1(&v);
    case VT_I2: return byref ? *V_I2REF(&v) : V_I2(&v);
    case VT_I4: return byref ? *V_I4REF(&v) : V_I4(&v);
    case VT_INT: return byref ? *V_INTREF(&v) : V_INT(&v);
    case VT_UI1: return byref ? *V_UI1REF(&v) : V_UI1(&v);
    case VT_UI2: return byref ? *V_UI2REF(&v) : V_UI2(&v);
    case VT_UI4: return byref ? *V_UI4REF(&v) : V_UI4(&v);
    case VT_UINT: return byref ? *V_UINTREF(&v) : V_UINT(&v);
    default: return byref ? *V_BOOLREF(&v) : V_BOOL(&v);
  }
}

}  // namespace

PropertyValue PropertyValue::ofText(const std::wstring& text) {
  PropertyValue value;
  value.type = VT_BSTR;
  value.text = text;
  return value;
}

PropertyValue PropertyValue::ofNumber(VARTYPE type, long long number) {
  PropertyValue value;
  value.type = type;
  value.number = number;
  return value;
}

std::optional<PropertyValue> readArgument(const VARIANT& argument) {
  const VARIANT* v = &argument;
  if (V_VT(v) == (VT_VARIANT | VT_BYREF)) {
    v = V_VARIANTREF(v);
    if (!v || V_VT(v) == (VT_VARIANT | VT_BYREF)) return std::nullopt;
  }
  const bool byref = (V_VT(v) & VT_BYREF) != 0;
  const VARTYPE type = V_VT(v) & ~VT_BYREF;
  if (byref && !V_BYREF(v)) return std::nullopt;
  if (type == VT_EMPTY || type == VT_NULL) {
    if (byref) return std::nullopt;
    return PropertyValue::ofNumber(type, 0);
  }
  if (type == VT_BSTR) {
    const BSTR text = byref ? *V_BSTRREF(v) : V_BSTR(v);
    return PropertyValue::ofText(text ? std::wstring(text, SysStringLen(text)) : std::wstring());
  }
  if (!numberType(type)) return std::nullopt;
  return PropertyValue::ofNumber(type, numberOf(*v, type, byref));
}

bool writeResult(const PropertyValue& value, VARIANT* result) {
  VariantInit(result);
  switch (value.type) {
    case VT_EMPTY: return true;
    case VT_NULL: V_VT(result) = VT_NULL; return true;
    case VT_BSTR: {
      Bstr text;
      *text.put() = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
      if (!text.get()) return false;
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = text.release();
      return true;
    }
    case VT_I1: V_I1(result) = static_cast<CHAR>(value.number); break;
    case VT_I2: V_I2(result) = static_cast<SHORT>(value.number); break;
    case VT_I4: V_I4(result) = static_cast<LONG>(value.number); break;
    case VT_INT: V_INT(result) = static_cast<INT>(value.number); break;
    case VT_UI1: V_UI1(result) = static_cast<BYTE>(value.number); break;
    case VT_UI2: V_UI2(result) = static_cast<USHORT>(value.number); break;
    case VT_UI4: V_UI4(result) = static_cast<ULONG>(value.number); break;
    case VT_UINT: V_UINT(result) = static_cast<UINT>(value.number); break;
    case VT_BOOL: V_BOOL(result) = static_cast<VARIANT_BOOL>(value.number); break;
    default: return true;
  }
  V_VT(result) = value.type;
  return true;
}

std::wstring typeTag(VARTYPE type) {
  if (type == VT_EMPTY) return L"empty";
  if (type == VT_NULL) return L"null";
  if (type == VT_BSTR) return L"bstr";
  const TypeInfo* info = numberType(type);
  return info ? info->tag : L"vt" + std::to_wstring(type);
}

std::wstring describe(const PropertyValue& value) {
  if (value.type == VT_BSTR) return value.text;
  if (value.type == VT_EMPTY || value.type == VT_NULL) return typeTag(value.type);
  return typeTag(value.type) + L":" + std::to_wstring(value.number);
}

std::wstring describeArgument(const VARIANT& argument) {
  const auto value = readArgument(argument);
  return value ? describe(*value) : L"vt" + std::to_wstring(V_VT(&argument));
}

std::wstring valueContent(const PropertyValue& value) {
  if (value.type == VT_BSTR) return value.text;
  if (value.type == VT_NULL) return {};
  return std::to_wstring(value.number);
}

std::optional<PropertyValue> parseValue(const std::wstring& tag, const std::wstring& content) {
  if (tag == L"bstr") return PropertyValue::ofText(content);
  if (tag == L"null") {
    if (!content.empty()) return std::nullopt;
    return PropertyValue::ofNumber(VT_NULL, 0);
  }
  for (const auto& info : numberTypes) {
    if (tag != info.tag) continue;
    if (content.empty() || !(content[0] == L'-' || (content[0] >= L'0' && content[0] <= L'9'))) return std::nullopt;
    wchar_t* end = nullptr;
    errno = 0;
    const long long number = std::wcstoll(content.c_str(), &end, 10);
    if (errno != 0 || *end != L'\0' || number < info.lowest || number > info.highest) return std::nullopt;
    return PropertyValue::ofNumber(info.type, number);
  }
  return std::nullopt;
}
