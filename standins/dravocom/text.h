#pragma once
// Small text helpers of the stand-in (it does not link the module's platform library).

#include <string>

// Ordinal comparison without regard to case, as names of members, domains and accounts are compared.
bool sameNoCase(const std::wstring& a, const std::wstring& b);

// The stand-in's own files are UTF-8 so that any name survives a round trip.
std::string toUtf8(const std::wstring& text);
bool fromUtf8(const std::string& bytes, std::wstring& text);  // false for bytes that are not UTF-8

// One line of a configuration file holds tab-separated fields: backslash, tab, CR and LF
// inside a field are written as \\, \t, \r and \n.
std::wstring escapeField(const std::wstring& text);
bool unescapeField(const std::wstring& field, std::wstring& text);  // false for an unknown escape

// A domain or account name must be usable as a directory name and as an item of a ";" list.
bool usableName(const std::wstring& name);

std::wstring joinPath(const std::wstring& directory, const std::wstring& name);
