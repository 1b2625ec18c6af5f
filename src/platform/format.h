#pragma once
// printf-style formatting into wide strings, with the Windows meaning of %s in a wide
// format (a wide string argument).

#include <cstdarg>
#include <string>

std::wstring vaformat(const wchar_t* format, va_list args);
std::wstring format(const wchar_t* format, ...);
