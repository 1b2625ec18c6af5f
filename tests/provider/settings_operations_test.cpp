// Server-wide settings through the provider, against the stand-in mail server: what the
// provider writes, in which order, and what it raises when the server refuses a save.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "automation/automation_objects.h"
#include "package/server_switches.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "provider/server_expectations.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
using Calls = std::vector<std::wstring>;

// A provider whose mail server reports the version a test chooses.
class VersionedProvider : public DravoProvider {
 public:
  std::wstring version;
  bool productInfo(std::wstring& name, std::wstring& value) override {
    name = L"Dravo Mail Server";
    value = version;
    return true;
  }
};

class ServerSettings : public StandinTest {
 protected:
  Calls changes() const { return changesOnly(server.calls()); }
  // Runs op with the journal cleared and returns what it changed.
  Calls changesOf(const std::function<void()>& op) {
    server.clearJournal();
    op();
    return changes();
  }
  long stored(const wchar_t* property) { return ApiObject().getNumber(property); }

  VersionedProvider provider;
};

TEST_F(ServerSettings, MaxLetterSizeSwitchesTheLimitAndKeepsTheOldSize) {
  EXPECT_EQ(changesOf([&] { provider.maxLetterSize(2048); }),
            (Calls{L"API.SetProperty(C_Config_Exchange_MaxData, int:1)",
                   L"API.SetProperty(C_Config_Exchange_MaxDataSize, i4:2048)", L"API.Save()", L"API.LastErr()"}));
  EXPECT_EQ(provider.maxLetterSize(), 2048);
  for (int off : {0, -5}) {
    SCOPED_TRACE(off);
    EXPECT_EQ(changesOf([&] { provider.maxLetterSize(off); }),
              (Calls{L"API.SetProperty(C_Config_Exchange_MaxData, int:0)", L"API.Save()", L"API.LastErr()"}));
    server.clearJournal();
    EXPECT_EQ(provider.maxLetterSize(), 0);
    EXPECT_EQ(server.count(L"API.GetProperty(C_Config_Exchange_MaxDataSize)"), 0u) << "the size is not read";
    EXPECT_EQ(stored(L"C_Config_Exchange_MaxDataSize"), 2048);
  }
}

TEST_F(ServerSettings, RelayModesWriteOnlyWhatTheyMean) {
  EXPECT_EQ(changesOf([&] { provider.setRelay(2, 1, 42); }),
            (Calls{L"API.SetProperty(C_Config_Delivery_UseDoNotRelay, int:1)",
                   L"API.SetProperty(C_Config_Delivery_POP3SMTPRelay, int:1)",
                   L"API.SetProperty(C_Config_Delivery_POP3SMTPValue, i4:42)", L"API.Save()", L"API.LastErr()"}));
  int mode = 0, authorization = 0, value = 0;
  provider.relay(mode, authorization, value);
  EXPECT_EQ((std::vector<int>{mode, authorization, value}), (std::vector<int>{2, 1, 42}));

  EXPECT_EQ(changesOf([&] { provider.setRelay(2, 3, 99); }),
            (Calls{L"API.SetProperty(C_Config_Delivery_UseDoNotRelay, int:1)",
                   L"API.SetProperty(C_Config_Delivery_POP3SMTPRelay, int:0)", L"API.Save()", L"API.LastErr()"}));
  provider.relay(mode, authorization, value);
  EXPECT_EQ((std::vector<int>{mode, authorization, value}), (std::vector<int>{2, 3, 42})) << "99 was not written";

  EXPECT_EQ(changesOf([&] { provider.setRelay(5, 0, 0); }), (Calls{L"API.Save()", L"API.LastErr()"}));

  provider.setRelay(2, 1, 7);
  EXPECT_EQ(changesOf([&] { provider.setRelay(1, 3, 0); }),
            (Calls{L"API.SetProperty(C_Config_Delivery_UseDoNotRelay, int:0)", L"API.Save()", L"API.LastErr()"}));
  provider.relay(mode, authorization, value);
  EXPECT_EQ((std::vector<int>{mode, authorization, value}), (std::vector<int>{1, 1, 7}))
      << "all three are reported whatever the mode";

  server.clearJournal();
  expectRaises([&] { provider.setRelay(0, 1, 0); }, L"Relay w/o authorization does not supported",
               "Dravo::DravoProvider::setRelay", 346);
  expectRaises([&] { provider.setRelay(2, 2, 0); }, L"Only SMTP and POP3SMTP authorization supported",
               "Dravo::DravoProvider::setRelay", 356);
  EXPECT_EQ(changes(), Calls{}) << "refusals write nothing";
}

TEST_F(ServerSettings, DnsServerAndMailPath) {
  StringList servers = {L"kept"};
  provider.dnsServers(servers);
  EXPECT_EQ(servers, StringList{L"kept"}) << "an unset server appends nothing";
  EXPECT_EQ(changesOf([&] { provider.setDNSServers({L"192.0.2.53", L"192.0.2.54", L"192.0.2.55"}); }),
            (Calls{L"API.SetProperty(C_Config_System_DNSServer, 192.0.2.53)", L"API.Save()", L"API.LastErr()"}));
  provider.dnsServers(servers);
  EXPECT_EQ(servers, (StringList{L"kept", L"192.0.2.53"}));
  provider.setDNSServers({});
  EXPECT_EQ(ApiObject().getString(L"C_Config_System_DNSServer"), L"");

  EXPECT_EQ(provider.mailPath(), server.mailPath() + L"\\");
  provider.mailPath(L"D:\\Store");
  EXPECT_EQ(provider.mailPath(), L"D:\\Store\\");
  provider.mailPath(L"");
  EXPECT_EQ(provider.mailPath(), L"\\");
}

TEST_F(ServerSettings, AntivirusAndSpamEngineSwitches) {
  EXPECT_EQ(changesOf([] { internalAntivirus(true); }),
            (Calls{L"API.SetProperty(C_VirusPlugIn, int:1)", L"API.Save()", L"API.LastErr()"}));
  EXPECT_TRUE(internalAntivirus());
  internalAntivirus(false);
  EXPECT_FALSE(internalAntivirus());

  for (const wchar_t* old : {L"7.6.0", L"7.5.9"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(old)));
    provider.version = old;
    server.clearJournal();
    expectRaises([&] { internalSpamAssassin(provider, true); },
                 L"Control of Internal SpamAssassin is not supported by current Dravo version",
                 "Dravo::DravoProvider::internalSpamAssassin", 966);
    expectRaises([&] { internalSpamAssassin(provider); },
                 L"Control of Internal SpamAssassin is not supported by current Dravo version",
                 "Dravo::DravoProvider::internalSpamAssassin", 978);
    EXPECT_EQ(changes(), Calls{});
  }
  provider.version = L"";
  expectRaises([&] { internalSpamAssassin(provider, true); }, L"Unknown Dravo version",
               "Dravo::DravoProvider::getVersion", 986);
  for (const wchar_t* recent : {L"7.6.1", L"7.7.0", L"8.0.0"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(recent)));
    provider.version = recent;
    EXPECT_EQ(changesOf([&] { internalSpamAssassin(provider, true); }),
              (Calls{L"API.SetProperty(C_SpamEngine, bool:-1)", L"API.Save()", L"API.LastErr()"}));
    EXPECT_TRUE(internalSpamAssassin(provider));
    internalSpamAssassin(provider, false);
    EXPECT_FALSE(internalSpamAssassin(provider));
  }
}

TEST_F(ServerSettings, RefusedSaveRaisesTheOperationsText) {
  provider.version = L"8.0.0";
  struct Case {
    std::function<void()> op;
    const wchar_t* text;
    const char* function;
    std::uint32_t line;
  };
  const Case cases[] = {
      {[&] { provider.maxLetterSize(10); }, L"DravoCOM.APIObject.Save failed for set max letter size",
       "Dravo::DravoProvider::maxLetterSize", 337},
      {[&] { provider.setRelay(1, 0, 0); }, L"DravoCOM.APIObject.Save failed to change relay settings",
       "Dravo::DravoProvider::setRelay", 369},
      {[&] { provider.setDNSServers({L"x"}); }, L"DravoCOM.APIObject.Save failed to set DNS server",
       "Dravo::DravoProvider::setDNSServers", 937},
      {[&] { provider.mailPath(L"D:\\Mail"); }, L"DravoCOM.APIObject.Save failed to set mail path",
       "Dravo::DravoProvider::mailPath", 1000},
      {[] { internalAntivirus(true); },
       L"DravoCOM.APIObject.Save failed to change Internal Antivirus running state",
       "Dravo::DravoProvider::internalAntivirus", 946},
      {[&] { internalSpamAssassin(provider, true); },
       L"DravoCOM.APIObject.Save failed to change Internal SpamAssassin state",
       "Dravo::DravoProvider::internalSpamAssassin", 964},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function);
    server.failLastErr(L"Save", 1, -5);
    expectRaises(c.op, c.text, c.function, c.line);
  }
  EXPECT_EQ(provider.maxLetterSize(), 0) << "a refused save stored nothing";
}

}  // namespace
