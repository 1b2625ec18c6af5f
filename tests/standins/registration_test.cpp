// Self-registration of the stand-in: the mail server's registry values. (The class under
// its ProgID is what every other test creates.)

#include <gtest/gtest.h>

#include "support/standin_server.h"

namespace {

const std::wstring serverKey = L"SOFTWARE\\Brandix\\Dravo Mail Server";

// A REG_SZ value, or nothing when it is not there.
std::optional<std::wstring> readText(const std::wstring& key, const wchar_t* name) {
  wchar_t text[MAX_PATH];
  DWORD size = sizeof text;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(text);
}

void writeText(const std::wstring& key, const wchar_t* name, const std::optional<std::wstring>& value) {
  RegKey opened;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(),
                            nullptr),
            ERROR_SUCCESS);
  if (!value) {
    RegDeleteValueW(opened.get(), name);
    return;
  }
  RegSetValueExW(opened.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()),
                 static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t)));
}

class StandinRegistration : public StandinTest {};

TEST_F(StandinRegistration, PublishesTheVersionAndSetsARootOnlyWhenNoneIsSet) {
  const auto keptVersion = readText(serverKey, L"Version");
  const auto keptRoot = readText(serverKey, L"ServerRoot");
  const auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"dravocom_standin.dll"), "DllRegisterServer")));
  ASSERT_NE(registerServer, nullptr);

  SetEnvironmentVariableW(L"DRAVO_STANDIN_VERSION", L"7.6.1");
  SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", L"D:\\Other");
  writeText(serverKey, L"ServerRoot", L"C:\\Kept");
  EXPECT_EQ(registerServer(), S_OK);
  EXPECT_EQ(readText(serverKey, L"Version"), L"7.6.1");
  EXPECT_EQ(readText(serverKey, L"ServerRoot"), L"C:\\Kept");
  writeText(serverKey, L"ServerRoot", std::nullopt);
  EXPECT_EQ(registerServer(), S_OK);
  EXPECT_EQ(readText(serverKey, L"ServerRoot"), L"D:\\Other");
  SetEnvironmentVariableW(L"DRAVO_STANDIN_VERSION", nullptr);
  EXPECT_EQ(registerServer(), S_OK);
  EXPECT_EQ(readText(serverKey, L"Version"), L"8.0.0");

  writeText(serverKey, L"Version", keptVersion);
  writeText(serverKey, L"ServerRoot", keptRoot);
}

}  // namespace
