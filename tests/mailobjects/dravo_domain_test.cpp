#include <gtest/gtest.h>

#include <filesystem>

#include "automation/call_patterns.h"
#include "mailobjects/dravo_account.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/open_domain.h"
#include "provider/dravo_provider.h"
#include "support/slot.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
namespace fs = std::filesystem;

class Domain : public StandinTest {
 protected:
  StringList domains() {
    StringList names;
    provider.domains(names);
    return names;
  }
  std::wstring serverNames() { return ApiObject().getDomainList(); }
  // A domain alias: a domain of type 2 that names the domain it points at.
  void makeAlias(const std::wstring& alias, const std::wstring& target) {
    ApiObject api;
    DomainObject domain = openChild<DomainObject>(
        api, [&] { return api.newDomain(alias); }, [] { return std::wstring(L"alias"); }, site("t", 1));
    writeProperties(domain, {{L"D_Type", Variant::ofInt(2)}, {L"D_DomainValue", Variant(target)}},
                    [] { return std::wstring(L"alias"); }, site("t", 2));
  }
  fs::path mailDir(const std::wstring& name) { return fs::path(server.mailPath()) / name; }
  fs::path configDir(const std::wstring& name) { return fs::path(server.configPath()) / name; }

  DravoProvider provider;
};

TEST_F(Domain, NewDomainStoresLimitInKilobytesAndDescription) {
  DravoDomain domain(L"example.com", 1500);
  EXPECT_EQ(domain.quota(), 1024);
  EXPECT_EQ(domain.getStrProp(L"D_Description"), L"Vanto mail domain");
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_UseDomainLimits, int:1)"), 1u);
  EXPECT_EQ(domains(), StringList{L"example.com"});
}

TEST_F(Domain, QuotaRoundsTowardZeroAndSwitchesLimitsOnOnlyWhenPositive) {
  DravoDomain domain(L"example.com", 0);
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_UseDomainLimits, int:1)"), 0u);
  for (int bytes : {0, -1}) {
    domain.quota(bytes);
    EXPECT_EQ(domain.quota(), 0);
  }
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_UseDomainLimits, int:1)"), 0u);
  domain.quota(1023);
  EXPECT_EQ(domain.quota(), 0);
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_UseDomainLimits, int:1)"), 1u);
  domain.quota(1048576);
  EXPECT_EQ(domain.quota(), 1048576);
  EXPECT_EQ(server.count(L"Domain.SetProperty(D_UserMailbox, i4:1024)"), 1u);
  domain.totalQuota(5 * 1024 * 1024 + 5);
  EXPECT_EQ(domain.totalQuota(), 5 * 1024 * 1024);
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_System_DiskQuota, int:1)"), 1u);
}

TEST_F(Domain, DisablingRenamesToDotDAndCarriesTheAliases) {
  DravoDomain domain(L"example.com", 0);
  makeAlias(L"alias.example", L"example.com");
  makeAlias(L"other.example", L"elsewhere.com");
  server.clearJournal();
  domain.enable(true);
  for (const std::wstring& call : server.calls()) {
    EXPECT_TRUE(call.find(L"Rename") == std::wstring::npos && call.find(L"Set") == std::wstring::npos &&
                call.find(L"Save") == std::wstring::npos)
        << "enabling an enabled domain changes nothing, yet it made " << testing::PrintToString(call);
  }

  domain.enable(false);
  EXPECT_FALSE(domain.isEnabled());
  EXPECT_EQ(domain.name(), L"example.com");
  StringList names = domains();
  names.sort();
  EXPECT_EQ(names, (StringList{L"alias.example", L"example.com", L"other.example"}));
  const std::wstring raw = serverNames();
  EXPECT_NE(raw.find(L"example.com.d"), std::wstring::npos);
  EXPECT_NE(raw.find(L"alias.example.d"), std::wstring::npos);
  EXPECT_EQ(raw.find(L"other.example.d"), std::wstring::npos);
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_UseDomainLimits, int:1)"), 1u)
      << "once for the domain, not for its alias";

  DravoDomain reopened(L"example.com");
  EXPECT_FALSE(reopened.isEnabled());
  reopened.enable(true);
  EXPECT_EQ(serverNames().find(L".d"), std::wstring::npos);
}

TEST_F(Domain, RenameMovesDirectoriesAliasesAndAccountPaths) {
  DravoDomain domain(L"old.example", 0);
  makeAlias(L"alias.example", L"old.example");
  {
    DravoProvider p;
    p.createMailName(L"info", L"old.example", 0)->release();
  }
  fs::create_directories(mailDir(L"old.example") / L"info");
  domain.enable(false);
  domain.name(L"new.example");
  // The server keeps a domain's configuration under the name it holds the domain by.
  EXPECT_TRUE(fs::exists(configDir(L"new.example.d")));
  EXPECT_FALSE(fs::exists(configDir(L"old.example.d")));

  EXPECT_EQ(domain.name(), L"new.example");
  EXPECT_NE(serverNames().find(L"new.example.d"), std::wstring::npos) << "stays disabled under the new name";
  EXPECT_TRUE(fs::exists(mailDir(L"new.example") / L"info"));
  EXPECT_FALSE(fs::exists(mailDir(L"old.example")));
  EXPECT_EQ(DravoDomain(L"alias.example").getStrProp(L"D_DomainValue"), L"new.example");

  DravoAccount account(L"info", L"new.example");
  EXPECT_EQ(account.getStrProp(L"U_Mailbox"), L"info@new.example");
  EXPECT_EQ(account.getStrProp(L"U_MailBoxPath"), L"new.example\\info");
}

TEST_F(Domain, RemoveTakesDisabledDomainWithItsDirectoriesAndAliases) {
  DravoDomain(L"gone.example", 0).enable(false);
  makeAlias(L"alias.example", L"gone.example");
  fs::create_directories(mailDir(L"gone.example.d"));
  fs::create_directories(configDir(L"gone.example.d"));
  DravoDomain::remove(L"gone.example");
  EXPECT_TRUE(domains().empty());
  EXPECT_FALSE(fs::exists(mailDir(L"gone.example.d")));
  EXPECT_FALSE(fs::exists(configDir(L"gone.example.d")));
}

TEST_F(Domain, CatchAllAndDiscardShareOneSwitch) {
  DravoDomain domain(L"example.com", 0);
  domain.catchToEmail(L"all@example.com");
  EXPECT_EQ(domain.catchToEmail(), L"all@example.com");
  EXPECT_FALSE(domain.discard());
  domain.discard(true);
  EXPECT_TRUE(domain.discard());
  domain.catchToEmail(L"");
  EXPECT_FALSE(domain.discard());
  EXPECT_EQ(server.count(L"Domain.SetProperty(D_UnknownUsersType, int:0)"), 1u);
  EXPECT_EQ(server.count(L"Domain.SetProperty(D_UnknownForwardTo, )"), 1u);
  EXPECT_NO_THROW(domain.bounce(L""));
  EXPECT_THROW(domain.bounce(L"go away"), vexception);
  EXPECT_EQ(domain.bounce(), L"");
}

TEST_F(Domain, ListsMailNamesAndMailingListsByAccountType) {
  DravoDomain domain(L"example.com", 0);
  DravoProvider p;
  p.createMailName(L"info", L"example.com", 0)->release();
  p.createMailName(L"sales", L"example.com", 0)->release();
  ApiObject api;
  DomainObject raw = openDomain(api, L"example.com");
  AccountObject list = openChild<AccountObject>(
      raw, [&] { return raw.newAccount(L"news"); }, [] { return std::wstring(L"x"); }, site("t", 1));
  writeProperties(list, {{L"U_Type", Variant::ofInt(1)}}, [] { return std::wstring(L"x"); }, site("t", 2));

  StringList names{L"kept"}, lists;
  domain.mailNames(names);
  domain.mailLists(lists);
  EXPECT_EQ(names, (StringList{L"kept", L"info", L"sales"}));
  EXPECT_EQ(lists, StringList{L"news"});
}

// Failure texts, byte for byte, each raised by the server refusing one call.
struct FailureCase {
  bool domainExists;
  const wchar_t* member;
  int nth;
  std::function<void()> action;
  std::wstring message;
  const char* where;
};

TEST_F(Domain, FailureMessagesNameTheCallAndTheDomainInBothForms) {
  const std::wstring idn = L"xn--bcher-kva.example";
  const std::wstring shown = L"xn--bcher-kva.example [b\u00fccher.example]";
  const std::vector<FailureCase> cases = {
      {false, L"Save", 1, [&] { DravoDomain(idn, 2048); }, L"DravoCOM.APIObject.Save failed to turn on disk quota",
       "Dravo::DravoDomain::DravoDomain"},
      {false, L"NewDomain", 1, [&] { DravoDomain(idn, 0); }, L"DravoCOM.APIObject.NewDomain failed for name=" + shown,
       "Dravo::DravoDomain::DravoDomain"},
      {false, L"Save", 1, [&] { DravoDomain(idn, 0); }, L"DravoCOM.DomainObject.Save failed for name=" + shown,
       "Dravo::DravoDomain::DravoDomain"},
      {true, L"Save", 1, [&] { DravoDomain(idn).quota(0); },
       L"DravoCOM.DomainObject.Save failed to change domain quota. Domain " + shown, "Dravo::DravoDomain::quota"},
      {true, L"Save", 1, [&] { DravoDomain(idn).quota(4096); }, L"DravoCOM.APIObject.Save failed to turn on disk quota",
       "Dravo::DravoDomain::quota"},
      {true, L"Save", 2, [&] { DravoDomain(idn).totalQuota(4096); },
       L"DravoCOM.DomainObject.Save failed to change total domain quota. Domain " + shown,
       "Dravo::DravoDomain::totalQuota"},
      {true, L"RenameDomain", 1, [&] { DravoDomain(idn).enable(false); },
       L"DravoCOM.APIObject.RenameDomain failed for oldname=" + shown + L" and newname=" + idn + L".d [b\u00fccher.example.d]",
       "Dravo::DravoDomain::enable"},
      {true, L"OpenDomain", 2, [&] { DravoDomain(idn).enable(false); },
       L"DravoCOM.APIObject.OpenDomain failed for name=" + idn + L".d [b\u00fccher.example.d]", "Dravo::DravoDomain::enable"},
      {true, L"Save", 1, [&] { DravoDomain(idn).enable(false); }, L"DravoCOM.APIObject.Save failed to turn on domain limits",
       "Dravo::DravoDomain::enable"},
      {true, L"Save", 2, [&] { DravoDomain(idn).enable(false); },
       L"DravoCOM.DomainObject.Save failed to change domain enable/disable state. Domain " + shown,
       "Dravo::DravoDomain::enable"},
      {true, L"Save", 1, [&] { DravoDomain(idn).catchToEmail(L"a@b.c"); },
       L"DravoCOM.DomainObject.Save failed to change catch to email. Domain " + shown,
       "Dravo::DravoDomain::catchToEmail"},
      {true, L"Save", 1, [&] { DravoDomain(idn).discard(true); },
       L"DravoCOM.DomainObject.Save failed to change discard mode. Domain " + shown, "Dravo::DravoDomain::discard"},
      {true, L"Save", 1, [&] { DravoDomain(idn).setStrProp(L"D_Description", L"x"); },
       L"DravoCOM.DomainObject.Save failed to set string property. Domain name " + shown,
       "Dravo::DravoDomain::setStrProp"},
      {true, L"RenameDomain", 1, [&] { DravoDomain(idn).name(L"xn--mnchen-3ya.de"); },
       L"DravoCOM.APIObject.RenameDomain failed for oldname=" + shown + L" and newname=xn--mnchen-3ya.de [m\u00fcnchen.de]",
       "Dravo::DravoDomain::name"},
      {false, L"DeleteDomain", 2, [&] { DravoDomain::remove(idn); }, L"DravoCOM.APIObject.DeleteDomain failed for name=" + shown,
       "Dravo::DravoDomain::remove"},
      {false, L"OpenDomain", 2, [&] { DravoDomain(L"missing.example"); },
       L"DravoCOM.APIObject.OpenDomain failed for name=missing.example [missing.example]", "Dravo::openDomain"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.where << " " << static_cast<const void*>(&c));
    if (c.domainExists) DravoDomain(idn, 0);
    server.failLastErr(c.member, c.nth, -1);
    try {
      c.action();
      ADD_FAILURE() << "no failure";
    } catch (const vexception& e) {
      EXPECT_EQ(e.message(), L"Run-Time error: " + c.message);
      ASSERT_EQ(e.trace().size(), 1u);
      EXPECT_EQ(e.trace().front().function, c.where);
    }
    server.control().resetFaults();
    try {
      DravoDomain::remove(idn);
    } catch (const vexception&) {
    }
  }
}

TEST_F(Domain, SlotsAreReachedByIndexAsTheHostCallsThem) {
  MailDomain* domain = provider.createDomain(L"example.com", 4096);
  callSlot<void(int)>(domain, 4, 8192);                                  // quota (set)
  EXPECT_EQ((callSlot<int()>(domain, 5)), 8192);                        // quota (read)
  EXPECT_EQ((callSlot<std::wstring()>(domain, 1)), L"example.com");     // name
  callSlot<void(bool)>(domain, 2, false);                                // enable
  EXPECT_FALSE((callSlot<bool()>(domain, 3)));                           // isEnabled
  callSlot<void(const std::wstring&)>(domain, 10, std::wstring(L"a@b.c"));  // catchToEmail (set)
  EXPECT_EQ((callSlot<std::wstring()>(domain, 11)), L"a@b.c");
  callSlot<void(bool)>(domain, 14, true);                                // discard (set)
  EXPECT_TRUE((callSlot<bool()>(domain, 15)));
  callSlot<void()>(domain, 16);                                          // reserved
  callSlot<void()>(domain, 13);                                          // release
}

}  // namespace
