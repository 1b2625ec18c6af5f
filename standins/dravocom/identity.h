#pragma once
// How the stand-in is known to COM and where the mail server keeps its registry values.

#include <windows.h>

// {11660B6D-AF19-4E03-8E58-51E93BCDD86E}
inline constexpr CLSID apiObjectClassId = {
    0x11660b6d, 0xaf19, 0x4e03, {0x8e, 0x58, 0x51, 0xe9, 0x3b, 0xcd, 0xd8, 0x6e}};
inline constexpr wchar_t apiObjectClassIdText[] = L"{11660B6D-AF19-4E03-8E58-51E93BCDD86E}";
inline constexpr wchar_t apiObjectProgId[] = L"DravoCOM.APIObject";

inline constexpr wchar_t mailServerKey[] = L"SOFTWARE\\Brandix\\Dravo Mail Server";
inline constexpr wchar_t serverRootValue[] = L"ServerRoot";
inline constexpr wchar_t defaultServerRoot[] = L"C:\\DravoMail";

// Environment variables read by DllRegisterServer: the version to publish and the server
// root to set when none is set yet.
inline constexpr wchar_t versionVariable[] = L"DRAVO_STANDIN_VERSION";
inline constexpr wchar_t rootVariable[] = L"DRAVO_STANDIN_ROOT";
inline constexpr wchar_t defaultVersion[] = L"8.0.0";
