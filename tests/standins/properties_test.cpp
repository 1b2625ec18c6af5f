// Properties keep the VARIANT type they were written with; changes wait on the object
// until "Save".

#include <gtest/gtest.h>

#include "platform/strings.h"
#include "standins/raw_dispatch.h"
#include "support/standin_server.h"

namespace {

class StandinProperties : public StandinTest {
 protected:
  Remote api = Remote::createApi();
};

struct Written {
  const wchar_t* property;
  Variant value;
};

void expectSame(const Variant& read, const Variant& written, const wchar_t* property) {
  const std::string name = toNarrow(property, CP_UTF8);
  ASSERT_EQ(read.type(), written.type()) << name;
  if (written.type() == VT_BSTR) {
    EXPECT_EQ(textOf(read), textOf(written)) << name;
  } else if (written.type() == VT_BOOL) {
    EXPECT_EQ(V_BOOL(read.get()), V_BOOL(written.get())) << name;
  } else if (written.type() != VT_EMPTY) {
    EXPECT_EQ(V_I4(read.get()), V_I4(written.get())) << name;
  }
}

TEST_F(StandinProperties, EachKindReturnsValuesWithTheirTypeAfterReopening) {
  const std::vector<Written> settings = {{L"C_Config_Exchange_MaxData", Variant::ofInt(1)},
                                       {L"C_Config_Exchange_MaxDataSize", Variant::ofI4(5120000)},
                                       {L"C_SpamEngine", Variant::ofBool(true)},
                                       {L"C_MailPath", Variant(L"D:\\Mail Store\\")}};
  const std::vector<Written> domain = {{L"D_Type", Variant::ofInt(2)},
                                       {L"D_UserMailbox", Variant::ofI4(-1)},
                                       {L"D_DisableLogin", Variant::ofBool(false)},
                                       {L"D_Description", Variant(L"Vanto mail domain\t\u00e9\r\n\\n")}};
  const std::vector<Written> account = {{L"U_UseRemoteAddress", Variant::ofBool(true)},
                                        {L"U_MaxBoxSize", Variant::ofI4(2147483647)},
                                        {L"U_AccountType", Variant::ofInt(1)},
                                        {L"M_ListFile", Variant(L"example.com\\list.txt")},
                                        {L"U_ForwardTo", Variant(L"")}};
  {
    Remote d = api.child(L"NewDomain", L"example.com");
    Remote a = d.child(L"NewAccount", L"list");
    for (const auto& [object, values] : {std::pair{&api, &settings}, {&d, &domain}, {&a, &account}}) {
      for (const auto& w : *values) EXPECT_EQ(object->setProperty(w.property, w.value), 0);
      EXPECT_EQ(object->save(), 0);
    }
  }
  const Remote fresh = Remote::createApi();
  const Remote d = fresh.child(L"OpenDomain", L"example.com");
  const Remote a = d.child(L"OpenAccount", L"list");
  for (const auto& [object, values] : {std::pair{&fresh, &settings}, {&d, &domain}, {&a, &account}}) {
    for (const auto& w : *values) expectSame(object->property(w.property), w.value, w.property);
  }
  // A published directory moves nothing: the server's files stay where they were.
  EXPECT_NE(GetFileAttributesW((server.configPath() + L"\\server.cfg").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StandinProperties, EachKindKeepsOnlyNamesWithItsPrefix) {
  const Remote domain = api.child(L"NewDomain", L"example.com");
  const Remote account = domain.child(L"NewAccount", L"info");
  EXPECT_EQ(domain.property(L"Anything").type(), VT_EMPTY);
  EXPECT_EQ(domain.lastErr(), 0);
  EXPECT_LT(domain.setProperty(L"Anything", Variant(L"x")), 0);
  EXPECT_LT(domain.setProperty(L"d_Type", Variant::ofInt(2)), 0);   // property names are exact
  EXPECT_LT(account.setProperty(L"D_Type", Variant::ofInt(2)), 0);  // a domain's, not an account's
  EXPECT_LT(api.setProperty(L"U_Name", Variant(L"x")), 0);
  EXPECT_LT(api.setProperty(L"C_MailPath", Variant::ofI4(1)), 0);  // directories are text
  EXPECT_EQ(domain.setProperty(L"D_NotUsedByTheModule", Variant::ofI4(7)), 0);
}

TEST_F(StandinProperties, ChangesStayOnTheObjectUntilSaved) {
  const Remote first = api.child(L"NewDomain", L"example.com");
  const Remote second = api.child(L"OpenDomain", L"example.com");
  EXPECT_EQ(first.setProperty(L"D_Description", Variant(L"first")), 0);
  EXPECT_EQ(textOf(first.property(L"D_Description")), L"first");
  EXPECT_EQ(second.property(L"D_Description").type(), VT_EMPTY);
  {
    const Remote dropped = api.child(L"OpenDomain", L"example.com");
    EXPECT_EQ(dropped.setProperty(L"D_Type", Variant::ofInt(2)), 0);
  }
  EXPECT_EQ(first.save(), 0);
  EXPECT_EQ(textOf(second.property(L"D_Description")), L"first");
  EXPECT_EQ(V_I4(second.property(L"D_Type").get()), 0);  // the dropped change never reached the server

  EXPECT_EQ(second.setProperty(L"D_Description", Variant()), 0);  // writing VT_EMPTY takes the value away
  EXPECT_EQ(second.save(), 0);
  EXPECT_EQ(first.property(L"D_Description").type(), VT_EMPTY);
}

}  // namespace
