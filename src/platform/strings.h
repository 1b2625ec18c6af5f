#pragma once
// Conversion between wide text and 8-bit text in an explicit code page, and comparison
// without regard to case by the system's Unicode upper-case mapping.

#include <windows.h>

#include <string>
#include <string_view>

// True when every byte is below 0x80: text that every ANSI code page and UTF-8 keep as it is.
bool isAscii(std::string_view text);

std::string toNarrow(std::wstring_view text, UINT codePage);
std::wstring toWide(std::string_view text, UINT codePage);
bool equalsNoCase(const std::wstring& a, const std::wstring& b);
