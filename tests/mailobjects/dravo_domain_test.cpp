// Domains: quotas, disabling, renaming (every call and folder of a rename made to fail in
// turn), removal and the failure texts.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "automation/call_patterns.h"
#include "mail_objects_test.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "mailobjects/open_domain.h"
#include "platform/caught.h"
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
  // A domain with an alias, a mailbox with its folder and a mailing list with its member file.
  void makeScene() {
    DravoDomain(L"old.example", 0);
    DravoProvider().addAlias(L"old.example", L"alias.example");
    DravoProvider().createMailName(L"info", L"old.example", 0)->release();
    DravoMailList(L"news", L"old.example", L"owner@x.org").addMember(L"a@x.org");
    fs::create_directories(mailDir(L"old.example") / L"info");
  }
  void clearScene() {
    for (const wchar_t* name : {L"alias.example", L"new.example", L"old.example"}) raised([&] { DravoDomain::remove(name); });
    for (const wchar_t* name : {L"new.example", L"old.example"}) fs::remove_all(mailDir(name)), fs::remove_all(configDir(name));
  }
  // The rename's steps in its order, "1" for each one found done: the server's name, the
  // configuration folder (which the server moves with the name), the mail folder, the alias,
  // the mailbox's address and path, the list's file.
  std::string stepsDone() {
    const bool renamed = ApiObject().getDomainList().find(L"new.example") != std::wstring::npos;
    const std::wstring held = renamed ? L"new.example" : L"old.example";
    const auto moved = [](const fs::path& from, const fs::path& to) { return !fs::exists(from) && fs::exists(to); };
    const bool done[] = {renamed, moved(configDir(L"old.example"), configDir(L"new.example\\news.txt")),
                         moved(mailDir(L"old.example"), mailDir(L"new.example\\info")),
                         DravoDomain(L"alias.example").getStrProp(L"D_DomainValue") == L"new.example",
                         DravoAccount(L"info", held).getStrProp(L"U_Mailbox") == L"info@new.example",
                         DravoAccount(L"info", held).getStrProp(L"U_MailBoxPath") == L"new.example\\info",
                         DravoAccount(L"news", held).getStrProp(listFileProperty()) == L"new.example\\news.txt"};
    std::string steps;
    for (const bool step : done) steps += step ? '1' : '0';
    return steps;
  }
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

TEST_F(Domain, RenameOfADisabledDomainMovesDirectoriesAliasesAndAccountPaths) {
  makeScene();
  DravoDomain domain(L"old.example");
  domain.enable(false);
  domain.name(L"new.example");
  // The server keeps a domain's configuration under the name it holds the domain by.
  EXPECT_TRUE(fs::exists(configDir(L"new.example.d\\news.txt")) && !fs::exists(configDir(L"old.example.d")));
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

struct Case {
  std::wstring fault, text;     // what breaks, and what the failure's text holds
  std::function<void()> arm;
};

// Each call of a rename made to fail in turn (the nth call of each member, for every n the
// rename makes, as a failed call and as a negative LastErr), and the mail folder standing in
// the way: the failure names the failing step, the steps before it stay done, none after it
// is made, and the object keeps its old name.
TEST_F(Domain, RenameFailingAtEachCallAndFolderLeavesTheStepsBeforeItDone) {
  makeScene();
  {
    DravoDomain domain(L"old.example");
    server.clearJournal();
    domain.name(L"new.example");
  }
  std::map<std::wstring, int> calls;  // member -> calls the rename makes
  for (const std::wstring& call : server.calls()) {
    const std::wstring member = call.substr(call.find(L'.') + 1, call.find(L'(') - call.find(L'.') - 1);
    if (member != L"GetIDsOfNames") ++calls[member];
  }
  ASSERT_EQ(stepsDone(), "1111111");
  clearScene();

  std::vector<Case> cases;
  for (const auto& [member, count] : calls) {
    for (int nth = 1; nth <= count; ++nth) {
      const std::wstring which = member + L" #" + std::to_wstring(nth);
      cases.push_back({L"failed " + which, L"refused " + which, [=, this] { server.failInvoke(member, nth, E_FAIL, L"refused " + which); }});
      if (member == L"RenameDomain" || member == L"OpenDomain" || member == L"OpenAccount" || member == L"Save")
        cases.push_back({L"LastErr after " + which, member + L" failed", [=, this] { server.failLastErr(member, nth, -1); }});
    }
  }
  const std::wstring taken = mailDir(L"new.example").wstring();
  cases.push_back({L"mail folder taken", L"Directory " + taken + L" already exists", [taken] { fs::create_directories(taken); }});

  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.fault));
    makeScene();
    DravoDomain domain(L"old.example");
    c.arm();
    const std::wstring text = anyFailureText([&] { domain.name(L"new.example"); });
    server.control().resetFaults();
    const std::string steps = stepsDone();
    EXPECT_NE(text.find(c.text), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_EQ(steps.find("01"), std::string::npos) << steps << ": a step after the failure was made";
    EXPECT_EQ(domain.name(), L"old.example") << "the object keeps its name";
    clearScene();
  }
}

}  // namespace
