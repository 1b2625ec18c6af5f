// Accounts (mail names and mailing lists) of a domain on the stand-in.

#include <gtest/gtest.h>

#include "standins/raw_dispatch.h"
#include "support/standin_server.h"

namespace {

class StandinAccounts : public StandinTest {
 protected:
  void SetUp() override {
    domain = api.child(L"NewDomain", L"example.com");
    ASSERT_TRUE(domain);
    info = domain.child(L"NewAccount", L"info");
    ASSERT_TRUE(info);
    ASSERT_EQ(domainCall(L"NewAccount", L"list"), 0);
  }

  long domainCall(const std::wstring& member, const std::wstring& name) {
    domain.call(member, {Variant(name)});
    return domain.lastErr();
  }

  Remote api = Remote::createApi();
  Remote domain;
  Remote info;
};

TEST_F(StandinAccounts, CreatedAsMailNamesAndRefusedCallsChangeNothing) {
  EXPECT_EQ(domain.text(L"GetAccountList"), L"info;list");
  const Variant type = info.property(L"U_Type");
  ASSERT_EQ(type.type(), VT_I4);
  EXPECT_EQ(V_I4(type.get()), 0);
  EXPECT_EQ(textOf(info.property(L"U_Name")), L"info");
  EXPECT_EQ(domainCall(L"OpenAccount", L"INFO"), 0);

  for (const auto& [member, name] : {std::pair{L"NewAccount", L"Info"}, {L"NewAccount", L""}, {L"NewAccount", L"a;b"},
                                     {L"OpenAccount", L"nobody"}, {L"DeleteAccount", L"nobody"}}) {
    EXPECT_LT(domainCall(member, name), 0) << testing::PrintToString(std::wstring(member) + L" " + name);
  }
  EXPECT_EQ(domain.text(L"GetAccountList"), L"info;list");
  EXPECT_EQ(info.lastErr(), 0);  // each object has its own
}

TEST_F(StandinAccounts, SavingANewNameRenamesTheAccountUnlessTaken) {
  EXPECT_EQ(info.setProperty(L"U_Name", Variant(L"LIST")), 0);
  EXPECT_LT(info.save(), 0);
  EXPECT_LT(info.setProperty(L"U_Name", Variant::ofI4(5)), 0);

  EXPECT_EQ(info.setProperty(L"U_Name", Variant(L"contact")), 0);
  EXPECT_EQ(domain.text(L"GetAccountList"), L"info;list");  // not before "Save"
  EXPECT_EQ(info.save(), 0);
  EXPECT_EQ(domain.text(L"GetAccountList"), L"contact;list");
  EXPECT_LT(domainCall(L"OpenAccount", L"info"), 0);
  // The object follows its account.
  EXPECT_EQ(info.setProperty(L"U_Password", Variant(L"secret")), 0);
  EXPECT_EQ(info.save(), 0);
  EXPECT_EQ(textOf(domain.child(L"OpenAccount", L"contact").property(L"U_Password")), L"secret");
}

TEST_F(StandinAccounts, DeleteRemovesTheAccountItself) {
  info.call(L"Delete");
  EXPECT_EQ(info.lastErr(), 0);
  EXPECT_EQ(domain.text(L"GetAccountList"), L"list");
  info.call(L"Delete");
  EXPECT_LT(info.lastErr(), 0);
  EXPECT_EQ(domainCall(L"DeleteAccount", L"LIST"), 0);
  EXPECT_EQ(domain.text(L"GetAccountList"), L"");
}

}  // namespace
