// Setting the mail server up for the panel, taking it out of use, and the update cycle, on
// the stand-in mail server, the stand-in services under the mail server's names and the
// stand-in panel.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "package/dravo_package.h"
#include "package/panel_standin.h"
#include "platform/config_key.h"
#include "platform/exceptions.h"
#include "platform/import_fault.h"
#include "platform/registry.h"
#include "platform/system_paths.h"
#include "provider/dravo_provider.h"
#include "provider/mail_server_host.h"
#include "platform/service_control.h"
#include "services/fake_clock.h"
#include "services/test_service.h"
#include "support/standin_server.h"

namespace {

using Calls = std::vector<std::wstring>;

std::wstring registeredModule() {
  std::wstring value;
  registry::lookup(HKEY_LOCAL_MACHINE, configKeyPath, L"MAIL_PROVIDERW_DLL", value, REG_SZ);
  return value;
}

void forgetRegisteredModule() { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, configKeyPath, L"MAIL_PROVIDERW_DLL"); }

// The package's real surroundings; what the mail server had been told when the panel was
// asked for the server's version is kept.
struct WatchedHost : PackageHost {
  explicit WatchedHost(const StandinServer& server) : server(server) {}
  std::wstring componentInfo(const std::wstring& package, std::uint32_t kind) override {
    if (kind == 1) callsBeforeVersion = server.calls();
    return real->componentInfo(package, kind);
  }
  bool internalAntivirus() override { return real->internalAntivirus(); }
  void internalAntivirus(bool on) override { real->internalAntivirus(on); }
  bool internalSpamAssassin() override { return real->internalSpamAssassin(); }
  void internalSpamAssassin(bool on) override { real->internalSpamAssassin(on); }
  void mailServerVersion(int& major, int& minor, int& build) override { real->mailServerVersion(major, minor, build); }
  MailProviderPtr provider() override { return real->provider(); }
  const StandinServer& server;
  const std::unique_ptr<PackageHost> real = makeMailServerHost();
  Calls callsBeforeVersion;
};

using CreateKeyFault = ImportFault<LONG, HKEY, const wchar_t*, DWORD, wchar_t*, DWORD, REGSAM, SECURITY_ATTRIBUTES*, HKEY*, DWORD*>;

class MailServerPackage : public StandinTest {
 protected:
  explicit MailServerPackage(const std::wstring& version = L"7.6.1") : panel(version) {}

  void SetUp() override {
    resetMailServices();
    forgetRegisteredModule();
    auto watched = std::make_unique<WatchedHost>(server);
    host = watched.get();
    package = new VDravoPackage(GetModuleHandleW(nullptr), std::move(watched));
  }
  void TearDown() override {
    package->release();
    resetMailServices();
    forgetRegisteredModule();
  }

  // The configuration changes the package made, in order.
  Calls configurationWrites() const { return configurationWrites(server.calls()); }
  static Calls configurationWrites(const Calls& calls) {
    Calls writes;
    for (const std::wstring& call : calls)
      if (call.rfind(L"API.SetProperty(", 0) == 0 || call.rfind(L"API.UpdateConfiguration(", 0) == 0 ||
          call.rfind(L"API.Save(", 0) == 0)
        writes.push_back(call);
    return writes;
  }
  std::wstring configFile(const std::wstring& name) const { return server.configPath() + L"\\" + name; }
  void expectServices(DWORD startType, DWORD state, const std::vector<std::wstring>& names = mailServices) {
    for (const std::wstring& name : names) {
      SCOPED_TRACE(testing::PrintToString(name));
      EXPECT_EQ(service::serviceStartupType(name.c_str(), nullptr, nullptr), startType);
      EXPECT_EQ(currentState(name), state);
    }
  }
  static std::wstring failureOf(const std::function<void()>& call) {
    try { call(); } catch (const vexception& e) { return e.message(); }
    return L"(no exception)";
  }

  PanelStandin panel;
  Dravo::DravoProvider provider;
  WatchedHost* host = nullptr;
  VPackage* package = nullptr;
};

class MailServerPackageLimited : public MailServerPackage {
 protected:
  MailServerPackageLimited() : MailServerPackage(L"7.6.0") {}
};

// Services and the registered module after setup and removal are pinned by the host-side
// conformance program; here the filter file, its backup and the server's settings, and that
// a registration that cannot be written fails nothing.
TEST_F(MailServerPackage, SetupInstallsFiltersAndSetsTheServerAlsoWhenItCannotBeRegistered) {
  std::ofstream(configFile(L"staticfilters.dat").c_str(), std::ios::binary) << "previous";
  server.clearJournal();
  {
    const CreateKeyFault refused("advapi32.dll", "RegCreateKeyExW", [](HKEY, const wchar_t* path, auto...) -> std::optional<LONG> {
      return path && _wcsicmp(path, configKeyPath) == 0 ? std::optional<LONG>(ERROR_ACCESS_DENIED) : std::nullopt;
    });
    EXPECT_NO_THROW(package->Configure(true));
  }
  EXPECT_EQ(registeredModule(), L"");
  expectServices(SERVICE_AUTO_START, SERVICE_RUNNING);
  const std::wstring dll = panel.root() + L"\\admin\\bin\\dravomailfilter.dll";
  const std::string installed = ScratchDir::content(configFile(L"staticfilters.dat"));
  EXPECT_NE(installed.find("Library=" + std::string(dll.begin(), dll.end()) + "\r\n"), std::string::npos) << installed;
  EXPECT_EQ(installed.find("<filter-dll-path>"), std::string::npos);
  EXPECT_EQ(ScratchDir::content(configFile(L"staticfilters.dat.bak")), "previous");
  Calls settings{L"API.SetProperty(C_Config_EventLog_SMTP, int:3)", L"API.SetProperty(C_Config_EventLog_POP3, int:3)",
                 L"API.SetProperty(C_Config_Exchange_MaxData, int:1)",
                 L"API.SetProperty(C_Config_Exchange_MaxDataSize, int:5120000)"};
  EXPECT_EQ(configurationWrites(host->callsBeforeVersion), settings)
      << "the version is asked once the other settings are written";
  settings.insert(settings.end(), {L"API.SetProperty(C_SpamEngine, int:0)", L"API.UpdateConfiguration()", L"API.Save()"});
  EXPECT_EQ(configurationWrites(), settings);
  package->Configure(false);
  EXPECT_EQ(ScratchDir::content(configFile(L"staticfilters.dat")), installed) << "removal leaves it";
}

TEST_F(MailServerPackageLimited, SetupKeepsALimitInForceAndTheSpamEngineOfOlderServers) {
  provider.maxLetterSize(1000);
  server.clearJournal();
  package->Configure(true);
  EXPECT_EQ(configurationWrites(), (Calls{L"API.SetProperty(C_Config_EventLog_SMTP, int:3)",
                                          L"API.SetProperty(C_Config_EventLog_POP3, int:3)",
                                          L"API.UpdateConfiguration()", L"API.Save()"}));
  EXPECT_FALSE(ScratchDir::exists(configFile(L"staticfilters.dat.bak"))) << "nothing was there to keep";
}

TEST_F(MailServerPackage, SetupFailuresAreCollectedOrStopEarly) {
  {
    // A start is judged by its result: a start that stalls ends in the time-out code.
    SCOPED_TRACE("two services whose start stalls");
    ServiceBehaviour stalling;
    stalling.startDelay = 3600000;
    stalling.startStall = 1;
    setBehaviour(L"DravoSMTP", stalling);
    setBehaviour(L"DravoPOP3", stalling);
    const FakeClock clock;  // the waits for the stalled starts pass in moments
    ASSERT_TRUE(clock.active());
    EXPECT_EQ(failureOf([&] { package->Configure(true); }),
              L"Run-Time error: Start service failed for DravoSMTP\r\nStart service failed for DravoPOP3\r\n");
    expectServices(SERVICE_AUTO_START, SERVICE_RUNNING, {L"DravoControl"});  // every service was tried
    EXPECT_EQ(registeredModule(), moduleName(nullptr));
  }
  {
    SCOPED_TRACE("the server refusing to save");
    forgetRegisteredModule();
    for (const std::wstring& name : mailServices) {
      setBehaviour(name, {});
      service::changeStartType(SERVICE_DEMAND_START, name.c_str(), nullptr, nullptr);
    }
    DeleteFileW(configFile(L"staticfilters.dat").c_str());
    server.failLastErr(L"Save", 1, -5);
    EXPECT_EQ(failureOf([&] { package->Configure(true); }),
              L"Run-Time error: Can't setup Dravo Mail Server for use with Vanto");
    EXPECT_TRUE(ScratchDir::exists(configFile(L"staticfilters.dat")));  // written files stay
    expectServices(SERVICE_DEMAND_START, SERVICE_STOPPED);              // stopped and left so
    EXPECT_EQ(registeredModule(), L"");
  }
  {
    SCOPED_TRACE("the panel's template missing");
    DeleteFileW(panel.path(L"admin\\conf\\staticfilters.dat").c_str());
    EXPECT_THROW(package->Configure(true), VFileNotFoundException);
  }
}

// A failed update keeps the archive and leaves the server running; the next one restores.
TEST_F(MailServerPackage, FailedUpdateKeepsTheArchiveAndTheNextRestoresIt) {
  provider.maxLetterSize(4321);
  package->SaveSettings();
  provider.maxLetterSize(99);  // what the update left behind
  panel.toolAnswers(1, "Pr\xC3\xBC" "fung fehlgeschlagen: \xE2\x80\x9C" "domains\xE2\x80\x9D\r\nZeile 2\r\n");
  EXPECT_EQ(failureOf([&] { package->Update(); }),
            L"Run-Time error: vrok.exe failed with message:\r\nPr\u00fcfung fehlgeschlagen: \u201cdomains\u201d\r\n"
            L"Zeile 2\r\n");
  // Far more than a pipe holds: the tool can only end if the update takes its output meanwhile.
  panel.toolAnswers(2, std::string(300000, 'x'));
  EXPECT_EQ(failureOf([&] { package->Update(); }),
            L"Run-Time error: vrok.exe failed with message:\r\n" + std::wstring(300000, L'x'));
  EXPECT_TRUE(ScratchDir::exists(panel.path(L"tmp\\_MailArchive\\info.xml")));
  EXPECT_EQ(server.count(L"API.Done()"), 0u);

  panel.toolAnswers(0, "all well");
  server.clearJournal();
  package->Update();
  const std::string runs = panel.toolLog();
  EXPECT_EQ(std::count(runs.begin(), runs.end(), '\n'), 3) << runs;
  EXPECT_EQ(provider.maxLetterSize(), 4321);
  EXPECT_FALSE(ScratchDir::exists(panel.path(L"tmp\\_MailArchive"))) << "consumed";
  const Calls calls = server.calls();
  const auto done = std::find(calls.begin(), calls.end(), L"API.Done()");
  ASSERT_NE(done, calls.end());
  EXPECT_NE(std::find(done, calls.end(), L"API.Init()"), calls.end()) << "Init after Done";
}

}  // namespace
