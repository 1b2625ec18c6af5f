// Server-wide settings through the provider: what it writes, in which order, and what it
// raises when the server refuses a save.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "automation/automation_objects.h"
#include "provider/server_switches.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "provider/server_expectations.h"

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

class ServerSettings : public ServerChangesTest {
 protected:
  VersionedProvider provider;
};

TEST_F(ServerSettings, MaxLetterSizeSwitchesTheLimitAndKeepsTheOldSize) {
  EXPECT_EQ(changesOf([&] { provider.maxLetterSize(2048); }),
            (Calls{L"API.SetProperty(C_Config_Exchange_MaxData, int:1)",
                   L"API.SetProperty(C_Config_Exchange_MaxDataSize, i4:2048)", L"API.Save()", L"API.LastErr()"}));
  for (int off : {0, -5}) {
    SCOPED_TRACE(off);
    EXPECT_EQ(changesOf([&] { provider.maxLetterSize(off); }),
              (Calls{L"API.SetProperty(C_Config_Exchange_MaxData, int:0)", L"API.Save()", L"API.LastErr()"}));
    server.clearJournal();
    EXPECT_EQ(provider.maxLetterSize(), 0);
    EXPECT_EQ(server.count(L"API.GetProperty(C_Config_Exchange_MaxDataSize)"), 0u) << "the size is not read";
    EXPECT_EQ(ApiObject().getNumber(L"C_Config_Exchange_MaxDataSize"), 2048);
  }
}

TEST_F(ServerSettings, RelayModesWriteOnlyWhatTheyMean) {
  const std::wstring save = L"API.Save()", lastErr = L"API.LastErr()";
  const std::wstring relayOn = L"API.SetProperty(C_Config_Delivery_UseDoNotRelay, int:1)";
  const struct {
    int mode, authorization, value;
    Calls writes;
    std::vector<int> reported;  // all three, whatever the mode
  } steps[] = {
      {2, 1, 42, {relayOn, L"API.SetProperty(C_Config_Delivery_POP3SMTPRelay, int:1)",
                  L"API.SetProperty(C_Config_Delivery_POP3SMTPValue, i4:42)", save, lastErr}, {2, 1, 42}},
      {2, 3, 99, {relayOn, L"API.SetProperty(C_Config_Delivery_POP3SMTPRelay, int:0)", save, lastErr}, {2, 3, 42}},
      {5, 0, 0, {save, lastErr}, {2, 3, 42}},
      {1, 3, 0, {L"API.SetProperty(C_Config_Delivery_UseDoNotRelay, int:0)", save, lastErr}, {1, 3, 42}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.mode * 10 + step.authorization);
    EXPECT_EQ(changesOf([&] { provider.setRelay(step.mode, step.authorization, step.value); }), step.writes);
    int mode = 0, authorization = 0, value = 0;
    provider.relay(mode, authorization, value);
    EXPECT_EQ((std::vector<int>{mode, authorization, value}), step.reported) << "the value is written with 1 only";
  }
  server.clearJournal();
  expectRaises([&] { provider.setRelay(0, 1, 0); }, L"Relay w/o authorization does not supported",
               "Dravo::DravoProvider::setRelay", 346);
  expectRaises([&] { provider.setRelay(2, 2, 0); }, L"Only SMTP and POP3SMTP authorization supported",
               "Dravo::DravoProvider::setRelay", 356);
  EXPECT_EQ(changes(), Calls{}) << "refusals write nothing";
}

TEST_F(ServerSettings, SpamEngineSwitchFollowsTheServerVersion) {
  const std::wstring old = L"Control of Internal SpamAssassin is not supported by current Dravo version";
  const char* const where = "Dravo::DravoProvider::internalSpamAssassin";
  provider.version = L"7.6.0";
  server.clearJournal();
  expectRaises([&] { internalSpamAssassin(provider, true); }, old, where, 966);
  expectRaises([&] { internalSpamAssassin(provider); }, old, where, 978);
  EXPECT_EQ(changes(), Calls{});
  for (const wchar_t* unknown : {L"", L"7.5"}) {
    provider.version = unknown;
    expectRaises([&] { internalSpamAssassin(provider, true); }, L"Unknown Dravo version",
                 "Dravo::DravoProvider::getVersion", 986);
  }
  for (const wchar_t* recent : {L"7.6.1.9", L"8.0.0"}) {
    provider.version = recent;
    EXPECT_EQ(changesOf([&] { internalSpamAssassin(provider, true); }),
              (Calls{L"API.SetProperty(C_SpamEngine, bool:-1)", L"API.Save()", L"API.LastErr()"}))
        << testing::PrintToString(std::wstring(recent));
  }
  EXPECT_EQ(changesOf([] { internalAntivirus(true); }),
            (Calls{L"API.SetProperty(C_VirusPlugIn, int:1)", L"API.Save()", L"API.LastErr()"}));
}

TEST_F(ServerSettings, RefusedSaveRaisesTheOperationsText) {
  provider.version = L"8.0.0";
  const struct {
    std::function<void()> op;
    const wchar_t* text;
    const char* function;
    std::uint32_t line;
  } cases[] = {
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.function);
    server.failLastErr(L"Save", 1, -5);
    expectRaises(c.op, c.text, c.function, c.line);
  }
  EXPECT_EQ(provider.maxLetterSize(), 0) << "a refused save stored nothing";
}

}  // namespace
