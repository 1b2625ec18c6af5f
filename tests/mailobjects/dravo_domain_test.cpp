#include <gtest/gtest.h>

#include "automation/call_patterns.h"
#include "mail_objects_test.h"
#include "mailobjects/open_domain.h"
#include "provider/dravo_provider.h"

namespace {

using namespace Dravo;

class Domain : public MailObjectsTest {
 protected:
  std::wstring serverNames() { return ApiObject().getDomainList(); }
  // A domain alias: a domain of type 2 that names the domain it points at.
  void makeAlias(const std::wstring& alias, const std::wstring& target) {
    ApiObject api;
    const auto what = [] { return std::wstring(L"alias"); };
    DomainObject domain = openChild<DomainObject>(api, [&] { return api.newDomain(alias); }, what, site("t", 1));
    writeProperties(domain, {{L"D_Type", Variant::ofInt(2)}, {L"D_DomainValue", Variant(target)}}, what, site("t", 2));
  }
  size_t limitsSwitchedOn() { return server.count(L"API.SetProperty(C_Config_UseDomainLimits, int:1)"); }
};

TEST_F(Domain, QuotasAreWholeKilobytesAndOnlyAPositiveOneSwitchesLimitsOn) {
  DravoDomain domain(L"example.com");
  domain.quota(-1);
  EXPECT_EQ(std::pair(domain.quota(), limitsSwitchedOn()), std::pair(0, size_t{0}));
  domain.quota(1023);
  EXPECT_EQ(std::pair(domain.quota(), limitsSwitchedOn()), std::pair(0, size_t{1}));
  domain.quota(1048576);
  EXPECT_EQ(server.count(L"Domain.SetProperty(D_UserMailbox, i4:1024)"), 1u);
  domain.totalQuota(5 * 1024 * 1024 + 5);
  EXPECT_EQ(domain.totalQuota(), 5 * 1024 * 1024);
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_System_DiskQuota, int:1)"), 1u);
  EXPECT_EQ(DravoDomain(L"new.example", 1500).quota(), 1024);
}

TEST_F(Domain, DisablingRenamesToDotDAndCarriesTheAliases) {
  DravoDomain domain(L"example.com");
  makeAlias(L"alias.example", L"example.com");
  makeAlias(L"other.example", L"elsewhere.com");
  server.clearJournal();
  domain.enable(true);
  for (const std::wstring& call : server.calls()) EXPECT_EQ(call.find(L"Set"), std::wstring::npos) << "enabling an enabled domain";
  domain.enable(false);
  EXPECT_EQ(std::pair(domain.isEnabled(), domain.name()), std::pair(false, std::wstring(L"example.com")));
  StringList names;
  DravoProvider().domains(names);
  names.sort();
  EXPECT_EQ(names, (StringList{L"alias.example", L"example.com", L"other.example", L"other.org"})) << "listed by their plain names";
  const auto held = [names = serverNames()](const wchar_t* name) { return names.find(name) != std::wstring::npos; };
  EXPECT_TRUE(held(L"example.com.d") && held(L"alias.example.d") && !held(L"other.example.d")) << serverNames();
  EXPECT_EQ(limitsSwitchedOn(), 1u) << "once for the domain, not for its alias";
  DravoDomain(L"example.com").enable(true);
  EXPECT_EQ(serverNames().find(L".d"), std::wstring::npos);
}

TEST_F(Domain, RenameMovesDirectoriesAliasesAndAccountPaths) {
  DravoDomain domain(L"old.example", 0);
  makeAlias(L"alias.example", L"old.example");
  DravoProvider().createMailName(L"info", L"old.example", 0)->release();
  fs::create_directories(mailDir(L"old.example") / L"info");
  domain.enable(false);
  domain.name(L"new.example");
  // The server keeps a domain's configuration under the name it holds the domain by.
  EXPECT_TRUE(fs::exists(configDir(L"new.example.d")) && !fs::exists(configDir(L"old.example.d")));
  EXPECT_NE(serverNames().find(L"new.example.d"), std::wstring::npos) << "stays disabled under the new name";
  EXPECT_TRUE(fs::exists(mailDir(L"new.example") / L"info") && !fs::exists(mailDir(L"old.example")));
  EXPECT_EQ(DravoDomain(L"alias.example").getStrProp(L"D_DomainValue"), L"new.example");
  EXPECT_EQ(properties(L"info", L"new.example", {L"U_Mailbox", L"U_MailBoxPath"}), L"info@new.example|new.example\\info");
}

TEST_F(Domain, RemoveTakesDisabledDomainWithItsDirectoriesAndAliases) {
  DravoDomain(L"gone.example", 0).enable(false);
  makeAlias(L"alias.example", L"gone.example");
  fs::create_directories(mailDir(L"gone.example.d"));
  fs::create_directories(configDir(L"gone.example.d"));
  DravoDomain::remove(L"gone.example");
  EXPECT_TRUE(serverNames().find(L"gone.example") == std::wstring::npos && serverNames().find(L"alias.example") == std::wstring::npos) << serverNames();
  EXPECT_FALSE(fs::exists(mailDir(L"gone.example.d")) || fs::exists(configDir(L"gone.example.d")));
}

// Each failure text, byte for byte, raised by the server refusing one call: {domain made first, call, nth, work, text @ origin}.
TEST_F(Domain, FailureMessagesNameTheCallAndTheDomainInBothForms) {
  const std::wstring idn = L"xn--bcher-kva.example", shown = idn + L" [b\u00fccher.example]", dotD = idn + L".d [b\u00fccher.example.d]";
  const std::wstring api = L"DravoCOM.APIObject.", save = L"DravoCOM.DomainObject.Save failed to change ", at = L" @ Dravo::DravoDomain::";
  const std::tuple<bool, const wchar_t*, int, std::function<void()>, std::wstring> cases[] = {
      {false, L"Save", 1, [&] { DravoDomain(idn, 2048); }, api + L"Save failed to turn on disk quota" + at + L"DravoDomain"},
      {false, L"NewDomain", 1, [&] { DravoDomain(idn, 0); }, api + L"NewDomain failed for name=" + shown + at + L"DravoDomain"},
      {false, L"Save", 1, [&] { DravoDomain(idn, 0); }, L"DravoCOM.DomainObject.Save failed for name=" + shown + at + L"DravoDomain"},
      {true, L"Save", 1, [&] { DravoDomain(idn).quota(0); }, save + L"domain quota. Domain " + shown + at + L"quota"},
      {true, L"Save", 2, [&] { DravoDomain(idn).totalQuota(4096); }, save + L"total domain quota. Domain " + shown + at + L"totalQuota"},
      {true, L"RenameDomain", 1, [&] { DravoDomain(idn).enable(false); },
       api + L"RenameDomain failed for oldname=" + shown + L" and newname=" + dotD + at + L"enable"},
      {true, L"Save", 1, [&] { DravoDomain(idn).enable(false); }, api + L"Save failed to turn on domain limits" + at + L"enable"},
      {true, L"Save", 2, [&] { DravoDomain(idn).enable(false); }, save + L"domain enable/disable state. Domain " + shown + at + L"enable"},
      {true, L"Save", 1, [&] { DravoDomain(idn).catchToEmail(L"a@b.c"); }, save + L"catch to email. Domain " + shown + at + L"catchToEmail"},
      {true, L"Save", 1, [&] { DravoDomain(idn).discard(true); }, save + L"discard mode. Domain " + shown + at + L"discard"},
      {true, L"Save", 1, [&] { DravoDomain(idn).setStrProp(L"D_Description", L"x"); },
       L"DravoCOM.DomainObject.Save failed to set string property. Domain name " + shown + at + L"setStrProp"},
      {false, L"DeleteDomain", 2, [&] { DravoDomain::remove(idn); }, api + L"DeleteDomain failed for name=" + shown + at + L"remove"},
      {false, L"OpenDomain", 2, [&] { DravoDomain(L"missing.example"); },
       api + L"OpenDomain failed for name=missing.example [missing.example] @ Dravo::openDomain"},
  };
  for (const auto& [exists, member, nth, action, message] : cases) {
    if (exists) DravoDomain(idn, 0);
    server.failLastErr(member, nth, -1);
    EXPECT_EQ(raised(action), L"Run-Time error: " + message);
    server.control().resetFaults();
    raised([&] { DravoDomain::remove(idn); });
  }
}

}  // namespace
