#pragma once
// The control panel's configuration key under HKEY_LOCAL_MACHINE.

inline constexpr wchar_t configKeyPath[] = L"SOFTWARE\\Vanto\\KVX Config\\Config";
