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

TEST_F(StandinDomains, CreatedInOrderOpenedWithoutRegardToCaseAndRefusalsChangeNothing) {
  EXPECT_EQ(apiCall(L"NewDomain", {Variant(L"example.com")}), 0);
  EXPECT_EQ(apiCall(L"NewDomain", {Variant(L"other.org.d")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"example.com;other.org.d");
  EXPECT_TRUE(exists(domainDirectory(L"example.com")));
  const Remote opened = api.child(L"OpenDomain", L"EXAMPLE.com");
  ASSERT_TRUE(opened);
  EXPECT_EQ(textOf(opened.invoke(L"Name", DISPATCH_PROPERTYGET, {}).result), L"example.com");

  ASSERT_TRUE(CreateDirectoryW(domainDirectory(L"c.com").c_str(), nullptr));
  const std::vector<std::pair<std::wstring, std::vector<Variant>>> refused = {
      {L"NewDomain", {Variant(L"Example.COM")}},         {L"NewDomain", {Variant(L"")}},
      {L"NewDomain", {Variant(L"a;b")}},                 {L"NewDomain", {Variant(L"sub\\dir")}},
      {L"OpenDomain", {Variant(L"example.com.d")}},      {L"DeleteDomain", {Variant(L"x.com")}},
      {L"RenameDomain", {Variant(L"x.com"), Variant(L"y.com")}},
      {L"RenameDomain", {Variant(L"example.com"), Variant(L"")}},
      {L"RenameDomain", {Variant(L"example.com"), Variant(L"Other.org.d")}},
      {L"RenameDomain", {Variant(L"example.com"), Variant(L"c.com")}}};  // a leftover directory
  for (const auto& [member, arguments] : refused) {
    EXPECT_LT(apiCall(member, arguments), 0) << testing::PrintToString(member);
    EXPECT_EQ(api.text(L"GetDomainList"), L"example.com;other.org.d");
  }
  // A change of letter case only is a rename of the domain onto itself.
  EXPECT_EQ(apiCall(L"RenameDomain", {Variant(L"other.org.d"), Variant(L"OTHER.org.d")}), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"example.com;OTHER.org.d");
}

TEST_F(StandinDomains, RenameCarriesAccountsAndTheDirectoryAndStrandsOldObjects) {
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

  EXPECT_LT(domain.setProperty(L"D_Description", Variant(L"x")), 0);
  EXPECT_LT(domain.save(), 0);
  domain.call(L"NewAccount", {Variant(L"sales")});
  EXPECT_LT(domain.lastErr(), 0);
  EXPECT_EQ(renamed.text(L"GetAccountList"), L"info");
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

}  // namespace
