// Domains on the stand-in: created, opened, renamed and deleted through the API object,
// with the outcome in "LastErr".

#include <gtest/gtest.h>

#include "standins/disk.h"
#include "standins/raw_dispatch.h"
#include "support/standin_server.h"

namespace {

class StandinDomains : public StandinTest {
 protected:
  Remote api = Remote::createApi();

  long apiCall(const std::wstring& member, const std::vector<Variant>& arguments) {
    api.call(member, arguments);
    return api.lastErr();
  }
  std::wstring domainDirectory(const std::wstring& name) const { return server.configPath() + L"\\" + name; }
};

TEST_F(StandinDomains, NewDomainsAreListedInOrderAndOpenWithoutRegardToCase) {
  EXPECT_EQ(apiCall(L"NewDomain", {Variant(L"example.com")}), 0);
  EXPECT_EQ(apiCall(L"NewDomain", {Variant(L"other.org.d")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"example.com;other.org.d");
  EXPECT_TRUE(exists(domainDirectory(L"example.com")));

  const Remote opened = api.child(L"OpenDomain", L"EXAMPLE.com");
  EXPECT_EQ(api.lastErr(), 0);
  ASSERT_TRUE(opened);
  EXPECT_EQ(textOf(opened.invoke(L"Name", DISPATCH_PROPERTYGET, {}).result), L"example.com");
}

TEST_F(StandinDomains, RefusedCallsSetANegativeLastErrAndChangeNothing) {
  ASSERT_EQ(apiCall(L"NewDomain", {Variant(L"example.com")}), 0);
  const std::vector<std::pair<std::wstring, std::vector<Variant>>> refused = {
      {L"NewDomain", {Variant(L"Example.COM")}},         {L"NewDomain", {Variant(L"")}},
      {L"NewDomain", {Variant(L"a;b")}},                 {L"NewDomain", {Variant(L"sub\\dir")}},
      {L"OpenDomain", {Variant(L"example.com.d")}},      {L"DeleteDomain", {Variant(L"other.com")}},
      {L"RenameDomain", {Variant(L"other.com"), Variant(L"x.com")}},
      {L"RenameDomain", {Variant(L"example.com"), Variant(L"")}}};
  for (const auto& [member, arguments] : refused) {
    EXPECT_LT(apiCall(member, arguments), 0) << std::string(member.begin(), member.end());
    EXPECT_EQ(api.text(L"GetDomainList"), L"example.com");
  }
  EXPECT_EQ(apiCall(L"OpenDomain", {Variant(L"example.com")}), 0);
}

TEST_F(StandinDomains, RenameCarriesAccountsAndTheDomainDirectory) {
  const Remote domain = api.child(L"NewDomain", L"example.com");
  domain.call(L"NewAccount", {Variant(L"info")});
  ASSERT_EQ(domain.lastErr(), 0);
  ASSERT_TRUE(writeFile(domainDirectory(L"example.com") + L"\\list.txt", "member@example.net\r\n"));

  EXPECT_EQ(apiCall(L"RenameDomain", {Variant(L"example.com"), Variant(L"example.com.d")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"example.com.d");
  EXPECT_FALSE(exists(domainDirectory(L"example.com")));
  EXPECT_EQ(readFile(domainDirectory(L"example.com.d") + L"\\list.txt"), "member@example.net\r\n");
  EXPECT_LT(apiCall(L"OpenDomain", {Variant(L"example.com")}), 0);
  const Remote renamed = api.child(L"OpenDomain", L"example.com.d");
  ASSERT_TRUE(renamed);
  EXPECT_EQ(renamed.text(L"GetAccountList"), L"info");
}

TEST_F(StandinDomains, RenameOntoAnotherDomainOrItsLeftoverDirectoryIsRefused) {
  ASSERT_EQ(apiCall(L"NewDomain", {Variant(L"a.com")}), 0);
  ASSERT_EQ(apiCall(L"NewDomain", {Variant(L"b.com")}), 0);
  EXPECT_LT(apiCall(L"RenameDomain", {Variant(L"a.com"), Variant(L"B.com")}), 0);
  ASSERT_TRUE(CreateDirectoryW(domainDirectory(L"c.com").c_str(), nullptr));
  EXPECT_LT(apiCall(L"RenameDomain", {Variant(L"a.com"), Variant(L"c.com")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"a.com;b.com");
  EXPECT_TRUE(exists(domainDirectory(L"a.com")));
  // A change of letter case only is a rename of the domain onto itself.
  EXPECT_EQ(apiCall(L"RenameDomain", {Variant(L"a.com"), Variant(L"A.com")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"A.com;b.com");
}

TEST_F(StandinDomains, DeleteRemovesTheDomainAndLeavesFilesItDidNotWrite) {
  const Remote domain = api.child(L"NewDomain", L"example.com");
  domain.call(L"NewAccount", {Variant(L"list")});
  ASSERT_TRUE(writeFile(domainDirectory(L"example.com") + L"\\list.txt", "a@b.c\r\n"));
  EXPECT_EQ(apiCall(L"DeleteDomain", {Variant(L"EXAMPLE.com")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"");
  EXPECT_FALSE(exists(domainDirectory(L"example.com") + L"\\accounts.cfg"));
  EXPECT_TRUE(exists(domainDirectory(L"example.com") + L"\\list.txt"));

  // A new domain of the same name starts without the old accounts.
  const Remote again = api.child(L"NewDomain", L"example.com");
  ASSERT_TRUE(again);
  EXPECT_EQ(again.text(L"GetAccountList"), L"");
}

TEST_F(StandinDomains, ADomainObjectFailsOnceItsDomainIsRenamedAway) {
  const Remote domain = api.child(L"NewDomain", L"example.com");
  ASSERT_EQ(apiCall(L"RenameDomain", {Variant(L"example.com"), Variant(L"example.org")}), 0);
  EXPECT_LT(domain.setProperty(L"D_Description", Variant(L"x")), 0);
  EXPECT_LT(domain.save(), 0);
  domain.call(L"GetAccountList");
  EXPECT_LT(domain.lastErr(), 0);
  domain.call(L"NewAccount", {Variant(L"info")});
  EXPECT_LT(domain.lastErr(), 0);
  const Remote renamed = api.child(L"OpenDomain", L"example.org");
  EXPECT_EQ(renamed.text(L"GetAccountList"), L"");
}

}  // namespace
