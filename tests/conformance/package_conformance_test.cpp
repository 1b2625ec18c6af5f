// The module as the control panel meets it: every slot of the package called by its place,
// and the provider slot that empties the server, which needs the mail server's services.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "conformance/host_tables.h"
#include "package/panel_standin.h"
#include "services/test_service.h"
#include "support/scratch_key.h"
#include "support/standin_server.h"

namespace {

using host::WString;

WString registered(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vanto\\KVX Config\\Config", name, RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

void resetServices() {
  resetMailServices();
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vanto\\KVX Config\\Config", L"MAIL_PROVIDERW_DLL");
}

class PackageHost : public StandinTest {
 protected:
  void TearDown() override { resetServices(); }
  void SetUp() override {
    resetServices();
    module = LoadLibraryW(L"dravoprovider.dll");
    ASSERT_NE(module, nullptr);
    info = reinterpret_cast<Info>(reinterpret_cast<void*>(GetProcAddress(module, "VantoPackageInfo")));
    ASSERT_NE(info, nullptr);
  }
  using Info = host::Package* (*)(HINSTANCE, const char*);
  HMODULE module = nullptr;
  Info info = nullptr;
  PanelStandin panel{L"7.5.2"};
  ScratchKey serverKey{L"SOFTWARE\\Brandix\\Dravo Mail Server"};
};

TEST_F(PackageHost, EveryPackageSlot) {
  for (const char* other : {"mailserver ", "MailServer", "mail", static_cast<const char*>(nullptr)})
    EXPECT_EQ(info(module, other), nullptr) << (other ? other : "null");
  host::Package* package = info(module, "mailserver");
  ASSERT_NE(package, nullptr);
  EXPECT_EQ(KEPT(package->GetName()), "mailserver");
  EXPECT_EQ(KEPT(package->GetVersion()), L"7.5.2 (limited supported)");
  EXPECT_EQ(KEPT(package->GetDescription()), L"Dravo Mail Server 7.5.2 (limited supported)");
  EXPECT_EQ(KEPT(package->GetStatus()), L"");
  EXPECT_TRUE(KEPT(package->IsAvailable()));
  serverKey.setText(L"Version", L"7.6.0");
  EXPECT_FALSE(KEPT(package->IsPropertySupported(L"internal_spamassassin")));

  EXPECT_EQ(KEPT(package->GetProperty(L"Internal_AntiVirus")), L"false");
  EXPECT_TRUE(KEPT(package->SetProperties({{L"internal_antivirus", L"true"}})));
  EXPECT_EQ(KEPT(package->GetProperty(L"internal_antivirus")), L"true");
  EXPECT_EQ(host::raised([&] { KEPT(package->GetProperty(L"bogus")); }).message,
            L"Run-Time error: Invalid argument bogus at call VPackage::GetProperty. Package::GetDescription is "
            L"Dravo Mail Server 7.5.2 (limited supported)");

  KEPT(package->SaveSettings());
  EXPECT_NE(ScratchDir::content(panel.path(L"tmp\\_MailArchive\\info.xml")).find("kvxarchive"), std::string::npos);
  panel.toolAnswers(1, "broken");
  EXPECT_EQ(host::raised([&] { KEPT(package->Update()); }).message,
            L"Run-Time error: vrok.exe failed with message:\r\nbroken");

  KEPT(package->Configure(true));
  wchar_t path[MAX_PATH];
  EXPECT_EQ(registered(L"MAIL_PROVIDERW_DLL"), WString(path, GetModuleFileNameW(module, path, MAX_PATH)));
  // The start types set with the states are pinned by the setup's own tests.
  for (const std::wstring& name : mailServices) EXPECT_EQ(currentState(name), DWORD{SERVICE_RUNNING}) << name;
  KEPT(package->Configure(false));
  for (const std::wstring& name : mailServices) EXPECT_EQ(currentState(name), DWORD{SERVICE_STOPPED}) << name;

  KEPT(package->deletingDestructor(1));
}

// Stopping and restarting the services around the work is pinned by the provider's own tests.
TEST_F(PackageHost, RemoveAllDomainsEmptiesTheServer) {
  host::Provider* provider = reinterpret_cast<host::Provider* (*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "getVexilorProviderInstance")))();
  KEPT(provider->createDomain(L"a.example", 0)->release());
  KEPT(provider->removeAllDomains());
  host::Strings domains;
  KEPT(provider->domains(domains));
  EXPECT_EQ(domains, host::Strings{});
  KEPT(provider->release());
}

}  // namespace
