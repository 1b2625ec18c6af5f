#pragma once
#include <windows.h>

#include <string>

// The system's message text for a Win32 error code or HRESULT; empty when it has none.
std::wstring systemMessage(DWORD code);
