#pragma once
// Conversion between wide text and 8-bit text in an explicit code page, and comparison
// without regard to case by the system's Unicode upper-case mapping.

#include <windows.h>

#include <string>

std::string toNarrow(const std::wstring& text, UINT codePage);
std::wstring toWide(const std::string& text, UINT codePage);
bool equalsNoCase(const std::wstring& a, const std::wstring& b);
