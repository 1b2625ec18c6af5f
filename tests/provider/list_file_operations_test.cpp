// The black list, the DNS black lists and the relaying addresses through the provider: the
// switches and reloads that go with the files (their grammar is pinned by the list file tests).

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/scratch_dir.h"
#include "provider/dravo_provider.h"
#include "provider/server_expectations.h"

namespace {

using namespace Dravo;
using Calls = std::vector<std::wstring>;

class ListFileSettings : public ServerChangesTest {
 protected:
  std::wstring configFile(const wchar_t* name) const { return server.configPath() + L"\\" + name; }
  std::string read(const wchar_t* name) const { return ScratchDir::content(configFile(name)); }
  void write(const wchar_t* name, const std::string& text) const {
    std::ofstream(configFile(name).c_str(), std::ios::binary) << text;
  }
  DravoProvider provider;
  const std::wstring save = L"API.Save()", lastErr = L"API.LastErr()", reload = L"API.UpdateConfiguration()";
};

TEST_F(ListFileSettings, BlackListKeepsTheGlobalFilterSwitchInStep) {
  write(L"filter.dat", "1\r\nnot.listed\r\n2:listed.example\r\nS$!~rule\r\n");
  EXPECT_EQ(changesOf([&] { provider.addBadMail(L"spam.example"); }),
            (Calls{L"API.SetProperty(C_Config_Delivery_GlobalFilter, int:1)", save, lastErr}));
  EXPECT_EQ(read(L"filter.dat"), "1\r\nnot.listed\r\n2:listed.example\r\nS$!~rule\r\n0:spam.example\r\n");
  EXPECT_EQ(changesOf([&] { provider.delBadMail(L"listed.example"); }), Calls{})
      << "entries remain: the switch is left alone";
  write(L"filter.dat", "0:spam.example\r\n");
  EXPECT_EQ(changesOf([&] { provider.delBadMail(L"spam.example"); }),
            (Calls{L"API.SetProperty(C_Config_Delivery_GlobalFilter, int:0)", save, lastErr}));

  server.failLastErr(L"Save", 1, -5);
  expectRaises([&] { provider.addBadMail(L"late.example"); },
               L"DravoCOM.APIObject.Save failed to turn on global B&W filter");
  EXPECT_NE(read(L"filter.dat").find("0:late.example\r\n"), std::string::npos) << "written before the switch";
  write(L"filter.dat", "0:late.example\r\n");
  server.failLastErr(L"Save", 1, -5);
  expectRaises([&] { provider.delBadMail(L"late.example"); },
               L"DravoCOM.APIObject.Save failed to turn off global B&W filter");
}

TEST_F(ListFileSettings, DnsBlackListsReplaceTheFileThenReload) {
  const std::wstring rbl = L"API.SetProperty(C_Config_System_RBL, int:";
  EXPECT_EQ(changesOf([&] { provider.setMapsProtection({L"bl.example", L"b2.example"}); }),
            (Calls{rbl + L"1)", save, lastErr, reload}));
  EXPECT_EQ(read(L"rbl.dat"), "bl.example\r\nb2.example\r\n");
  EXPECT_EQ(changesOf([&] { provider.setMapsProtection({}); }), (Calls{rbl + L"0)", save, lastErr, reload}));
  EXPECT_EQ(read(L"rbl.dat"), "bl.example\r\nb2.example\r\n") << "an empty list leaves the file alone";

  server.clearJournal();
  server.failLastErr(L"Save", 1, -5);
  expectRaises([&] { provider.setMapsProtection({L"third.example"}); },
               L"DravoCOM.APIObject.Save failed to change DNSBL mode");
  EXPECT_EQ(read(L"rbl.dat"), "third.example\r\n");
  EXPECT_EQ(server.count(reload), 0u) << "no reload after a refused save";
}

TEST_F(ListFileSettings, RelayAddressesReloadOnlyAfterRemoval) {
  write(L"relay.dat", "10.1.2-3.*\r\n");
  EXPECT_EQ(changesOf([&] { provider.addRelayIP(L"10.0.5.0", 22); }), Calls{});
  EXPECT_EQ(changesOf([&] { provider.delRelayIP(L"10.1.0.0", 16); }), Calls{reload});
  EXPECT_EQ(read(L"relay.dat"), "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22\r\n");
  EXPECT_EQ(changesOf([&] { expectRaises([&] { provider.delRelayIP(L"172.16.0.0", 12); },
                                         L"Address not found in list. IP 172.16.0.0"); }),
            Calls{}) << "nothing reloaded";
}

}  // namespace
