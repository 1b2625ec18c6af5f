// Domain aliases through the provider: the properties an alias gets, the ".d" names that
// follow the target domain's enabled state, and failure texts with both forms of a name.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "automation/automation_objects.h"
#include "mailobjects/dravo_domain.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "provider/server_expectations.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
using Calls = std::vector<std::wstring>;

class DomainAliases : public StandinTest {
 protected:
  void SetUp() override { DravoDomain(L"example.com", 0); }
  StringList aliasesOf(const std::wstring& domain) {
    StringList aliases;
    provider.domainAliases(domain, aliases);
    return aliases;
  }
  std::wstring serverNames() { return L";" + ApiObject().getDomainList() + L";"; }
  // The calls of one kind of member, without object numbers.
  Calls callsOf(const std::wstring& member) const {
    Calls kept;
    for (const std::wstring& call : server.calls())
      if (call.find(L"." + member + L"(") != std::wstring::npos) kept.push_back(call);
    return kept;
  }

  DravoProvider provider;
};

TEST_F(DomainAliases, AliasNamesFollowTheTargetDomainsState) {
  server.clearJournal();
  provider.addAlias(L"example.com", L"alias.example");
  EXPECT_EQ(callsOf(L"NewDomain"), Calls{L"API.NewDomain(alias.example)"});
  EXPECT_EQ(callsOf(L"SetProperty"), (Calls{L"Domain.SetProperty(D_Description, Vanto mail domain alias)",
                                            L"Domain.SetProperty(D_Type, int:2)",
                                            L"Domain.SetProperty(D_DomainValue, example.com)",
                                            L"Domain.SetProperty(D_DisableLogin, bool:0)"}));
  EXPECT_EQ(callsOf(L"Save"), Calls{L"Domain.Save()"});

  DravoDomain(L"example.com").enable(false);  // carrying the alias along is pinned by the domain's own tests
  server.clearJournal();
  provider.addAlias(L"example.com", L"second.example");
  EXPECT_EQ(callsOf(L"NewDomain"), Calls{L"API.NewDomain(second.example.d)"});
  EXPECT_EQ(server.count(L"Domain.SetProperty(D_DisableLogin, bool:-1)"), 1u);

  provider.addAlias(L"Example.com", L"case.example");  // points at a name differing in case
  StringList listed = aliasesOf(L"example.com");
  listed.sort();
  EXPECT_EQ(listed, (StringList{L"alias.example", L"second.example"}));

  server.clearJournal();
  provider.renameAlias(L"example.com", L"second.example", L"renamed.example");
  EXPECT_EQ(callsOf(L"RenameDomain"), Calls{L"API.RenameDomain(second.example.d, renamed.example.d)"});
  server.clearJournal();
  provider.delAlias(L"example.com", L"renamed.example");
  EXPECT_EQ(callsOf(L"DeleteDomain"), Calls{L"API.DeleteDomain(renamed.example.d)"});
  EXPECT_EQ(callsOf(L"SetProperty"), Calls{}) << "renaming and deleting change no property";
}

TEST_F(DomainAliases, FailuresNameTheAliasInBothForms) {
  const wchar_t idn[] = L"xn--bcher-kva.example";
  const std::wstring both = std::wstring(idn) + L" [b\u00fccher.example]";
  server.failLastErr(L"NewDomain", 1, -2);
  expectRaises([&] { provider.addAlias(L"example.com", idn); },
               L"DravoCOM.APIObject.NewDomain failed for name=" + both, "Dravo::DravoProvider::addAlias", 551);
  server.failLastErr(L"Save", 1, -5);
  expectRaises([&] { provider.addAlias(L"example.com", idn); },
               L"DravoCOM.DomainObject.Save failed for name=" + both, "Dravo::DravoProvider::addAlias", 560);
  server.failLastErr(L"RenameDomain", 1, -2);
  expectRaises([&] { provider.renameAlias(L"example.com", idn, L"xn--mnchen-3ya.de"); },
               L"DravoCOM.APIObject.RenameDomain failed for oldname=" + both +
                   L" and newname=xn--mnchen-3ya.de [m\u00fcnchen.de]",
               "Dravo::DravoProvider::renameAlias", 578);
  server.failLastErr(L"DeleteDomain", 1, -1);
  expectRaises([&] { provider.delAlias(L"example.com", idn); },
               L"DravoCOM.APIObject.DeleteDomain failed for name=" + both, "Dravo::DravoProvider::delAlias", 569);
  EXPECT_NE(serverNames().find(std::wstring(L";") + idn + L";"), std::wstring::npos)
      << "the alias domain stays without its properties";
  EXPECT_EQ(aliasesOf(L"example.com"), StringList{});
  expectRaises([&] { provider.addAlias(L"missing.example", L"alias.example"); },
               L"DravoCOM.APIObject.OpenDomain failed for name=missing.example [missing.example]");
  EXPECT_EQ(serverNames().find(L"alias.example"), std::wstring::npos);
}

}  // namespace
