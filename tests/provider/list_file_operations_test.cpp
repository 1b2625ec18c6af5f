// The global black list, the DNS black lists and the relaying addresses through the
// provider: the files in the stand-in's configuration directory and the switches and
// reloads that go with them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "provider/server_expectations.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
using Calls = std::vector<std::wstring>;
namespace fs = std::filesystem;

class ListFileSettings : public StandinTest {
 protected:
  fs::path configFile(const wchar_t* name) const { return fs::path(server.configPath()) / name; }
  std::string read(const wchar_t* name) const {
    std::ifstream in(configFile(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void write(const wchar_t* name, const std::string& text) const {
    std::ofstream(configFile(name), std::ios::binary) << text;
  }
  Calls changes() const { return changesOnly(server.calls()); }
  static std::wstring messageOf(const std::function<void()>& op) {
    try {
      op();
    } catch (const vexception& e) {
      return e.message();
    }
    return L"(no exception)";
  }

  DravoProvider provider;
};

TEST_F(ListFileSettings, BlackListKeepsTheGlobalFilterSwitchInStep) {
  write(L"filter.dat", "1\r\nnot.listed\r\n2:listed.example\r\nS$!~rule\r\n");
  provider.addBadMail(L"spam.example");
  EXPECT_EQ(read(L"filter.dat"), "1\r\nnot.listed\r\n2:listed.example\r\nS$!~rule\r\n0:spam.example\r\n");
  EXPECT_EQ(changes(), (Calls{L"API.SetProperty(C_Config_Delivery_GlobalFilter, int:1)", L"API.Save()",
                              L"API.LastErr()"}));
  StringList listed = {L"kept"};
  provider.allBadMail(listed);
  EXPECT_EQ(listed, (StringList{L"kept", L"listed.example", L"spam.example"}));

  server.clearJournal();
  provider.delBadMail(L"listed.example");
  EXPECT_EQ(changes(), Calls{}) << "entries remain: the switch is left alone";
  EXPECT_EQ(messageOf([&] { provider.delBadMail(L"xn--mnchen-3ya.de"); }),
            L"Run-Time error: Domain not found in black list. Domain = xn--mnchen-3ya.de [m\u00fcnchen.de]");

  write(L"filter.dat", "0:spam.example\r\n");
  server.clearJournal();
  provider.delBadMail(L"spam.example");
  EXPECT_EQ(read(L"filter.dat"), "");
  EXPECT_EQ(changes(), (Calls{L"API.SetProperty(C_Config_Delivery_GlobalFilter, int:0)", L"API.Save()",
                              L"API.LastErr()"}));

  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(messageOf([&] { provider.addBadMail(L"late.example"); }),
            L"Run-Time error: DravoCOM.APIObject.Save failed to turn on global B&W filter");
  EXPECT_EQ(read(L"filter.dat"), "0:late.example\r\n") << "the file was written before the switch";
  write(L"filter.dat", "0:late.example\r\n");
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(messageOf([&] { provider.delBadMail(L"late.example"); }),
            L"Run-Time error: DravoCOM.APIObject.Save failed to turn off global B&W filter");
}

TEST_F(ListFileSettings, DnsBlackListsReplaceTheFileThenReload) {
  write(L"rbl.dat", "1:hidden.example,1;note\r\nold.example\r\n");
  StringList servers;
  provider.mapsServers(servers);
  EXPECT_EQ(servers, StringList{L"old.example"});

  server.clearJournal();
  provider.setMapsProtection({L"bl.example", L"b2.example"});
  EXPECT_EQ(read(L"rbl.dat"), "bl.example\r\nb2.example\r\n");
  EXPECT_EQ(changes(), (Calls{L"API.SetProperty(C_Config_System_RBL, int:1)", L"API.Save()", L"API.LastErr()",
                              L"API.UpdateConfiguration()"}));

  server.clearJournal();
  provider.setMapsProtection({});
  EXPECT_EQ(read(L"rbl.dat"), "bl.example\r\nb2.example\r\n") << "an empty list leaves the file alone";
  EXPECT_EQ(changes(), (Calls{L"API.SetProperty(C_Config_System_RBL, int:0)", L"API.Save()", L"API.LastErr()",
                              L"API.UpdateConfiguration()"}));

  server.clearJournal();
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(messageOf([&] { provider.setMapsProtection({L"third.example"}); }),
            L"Run-Time error: DravoCOM.APIObject.Save failed to change DNSBL mode");
  EXPECT_EQ(read(L"rbl.dat"), "third.example\r\n");
  EXPECT_EQ(server.count(L"API.UpdateConfiguration()"), 0u) << "no reload after a refused save";
}

TEST_F(ListFileSettings, RelayAddressesReloadOnlyAfterRemoval) {
  write(L"relay.dat", "10.1.2-3.*\r\nmail.example\r\n");
  provider.addRelayIP(L"10.0.5.0", 22);
  provider.addRelayIP(L"192.0.2.7", 32);
  EXPECT_EQ(read(L"relay.dat"),
            "10.1.2.* //vanto-ip-range: 10.1.2.0/24\r\n"
            "10.1.3.* //vanto-ip-range: 10.1.3.0/24\r\n"
            "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22\r\n"
            "192.0.2.7 //vanto-ip-range: 192.0.2.7/32\r\n");
  EXPECT_EQ(server.count(L"API.UpdateConfiguration()"), 0u);
  RelayAddressList addresses;
  provider.allRelayIPs(addresses);
  EXPECT_EQ(addresses, (RelayAddressList{{L"10.1.2.0", 24}, {L"10.1.3.0", 24}, {L"10.0.5.0", 22},
                                         {L"192.0.2.7", 32}}));

  server.clearJournal();
  provider.delRelayIP(L"10.1.0.0", 16);
  EXPECT_EQ(read(L"relay.dat"),
            "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22\r\n"
            "192.0.2.7 //vanto-ip-range: 192.0.2.7/32\r\n");
  EXPECT_EQ(changes(), Calls{L"API.UpdateConfiguration()"});

  server.clearJournal();
  EXPECT_EQ(messageOf([&] { provider.delRelayIP(L"172.16.0.0", 12); }),
            L"Run-Time error: Address not found in list. IP 172.16.0.0");
  EXPECT_EQ(read(L"relay.dat"),
            "10.0.4-7.* //vanto-ip-range: 10.0.5.0/22\r\n"
            "192.0.2.7 //vanto-ip-range: 192.0.2.7/32\r\n");
  EXPECT_EQ(changes(), Calls{});
}

}  // namespace
