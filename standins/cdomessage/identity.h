#pragma once
// How the "CDO.Message" stand-in is known to COM, and the error codes its Send reports.

#include <windows.h>

// {5C1A0E43-7D4B-4C8E-9A41-2F0C6B9E3D71}
inline constexpr CLSID messageClassId = {0x5c1a0e43, 0x7d4b, 0x4c8e, {0x9a, 0x41, 0x2f, 0x0c, 0x6b, 0x9e, 0x3d, 0x71}};
inline constexpr wchar_t messageClassIdText[] = L"{5C1A0E43-7D4B-4C8E-9A41-2F0C6B9E3D71}";
inline constexpr wchar_t messageProgId[] = L"CDO.Message";

// The stream class, registered under the ProgID of the platform's stream.
// {7E0B3C52-1F6A-4D2B-8C93-5A4E2D1B6F08}
inline constexpr CLSID streamClassId = {0x7e0b3c52, 0x1f6a, 0x4d2b, {0x8c, 0x93, 0x5a, 0x4e, 0x2d, 0x1b, 0x6f, 0x08}};
inline constexpr wchar_t streamClassIdText[] = L"{7E0B3C52-1F6A-4D2B-8C93-5A4E2D1B6F08}";
inline constexpr wchar_t streamProgId[] = L"ADODB.Stream";

// The transport failed to connect to the server.
inline constexpr HRESULT transportFailedToConnect = static_cast<HRESULT>(0x80040213);
// The message could not be sent to the SMTP server (refused, timed out or cut off).
inline constexpr HRESULT smtpSendFailed = static_cast<HRESULT>(0x80040211);
// Send without any recipient, or a stored message that could not be read.
inline constexpr HRESULT noRecipients = static_cast<HRESULT>(0x8004020C);
inline constexpr HRESULT unreadableSource = static_cast<HRESULT>(0x80040201);
