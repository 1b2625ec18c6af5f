#pragma once
// A property value as the server keeps it: the VARIANT type it was written with and its
// content, so that a read returns exactly what was written.

#include <windows.h>
#include <oleauto.h>

#include <map>
#include <optional>
#include <string>

struct PropertyValue {
  VARTYPE type = VT_EMPTY;
  long long number = 0;  // the integer types and VT_BOOL (a VARIANT_BOOL)
  std::wstring text;     // VT_BSTR

  static PropertyValue ofText(const std::wstring& text);
  static PropertyValue ofNumber(VARTYPE type, long long number);
  bool operator==(const PropertyValue&) const = default;
};

// Property name to value, names compared exactly.
using PropertyMap = std::map<std::wstring, PropertyValue>;

// Reads an argument, looking through VT_BYREF and one VARIANT reference. Types the server
// does not keep (objects, arrays, floating point, dates) give nothing.
std::optional<PropertyValue> readArgument(const VARIANT& argument);

// Fills an uninitialised result VARIANT; false when no memory for a BSTR could be had.
bool writeResult(const PropertyValue& value, VARIANT* result);

// "text" for a string, "empty", "null", or "<tag>:<decimal>".
std::wstring describe(const PropertyValue& value);
// Text of any argument for the journal, "vt<number>" for a type the server does not keep.
std::wstring describeArgument(const VARIANT& argument);

// Type tags and values as written in the configuration files.
std::wstring typeTag(VARTYPE type);
std::optional<PropertyValue> parseValue(const std::wstring& tag, const std::wstring& content);
std::wstring valueContent(const PropertyValue& value);
