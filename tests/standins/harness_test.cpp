// What tests see of the stand-in mail server and inject into it, through IDispatch: the
// journal, faults, refused creation, live objects, and a state that "Init" reads from disk.

#include <gtest/gtest.h>

#include "automation/call_patterns.h"
#include "platform/caught.h"
#include "support/standin_server.h"

namespace {

class StandinHarness : public StandinTest {
 protected:
  // CoCreateInstance's answer for a new "DravoCOM.APIObject".
  static HRESULT create() {
    CLSID classId{};
    ComPtr<IDispatch> object;
    CLSIDFromProgID(L"DravoCOM.APIObject", &classId);  // unknown, it stays null and creation fails
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(object.put()));
  }
  static DispatchHelper child(DispatchHelper& object, const wchar_t* member, const wchar_t* name) {
    const Variant argument(name);
    return Dravo::attachChild<DispatchHelper>(object.call(member, {&argument}));
  }
  static long lastErr(DispatchHelper& object) { return asLong(object.invoke(L"LastErr", DISPATCH_PROPERTYGET)); }
  // Sets a property and saves the object; gives "LastErr" of the save.
  static long setAndSave(DispatchHelper& object, const wchar_t* property, const Variant& value) {
    const Variant name(property);
    object.call(L"SetProperty", {&name, &value});
    EXPECT_EQ(lastErr(object), 0);
    object.call(L"Save");
    return lastErr(object);
  }
  static Variant get(DispatchHelper object, const wchar_t* property) {
    const Variant name(property);
    return object.call(L"GetProperty", {&name});
  }
  static std::wstring domains(DispatchHelper& api) { return asString(api.call(L"GetDomainList")); }

  DispatchHelper api{L"DravoCOM.APIObject"};
};

TEST_F(StandinHarness, JournalShowsLookupsByTheNameAskedAndCallsWithTypedArgumentsInOrder) {
  const std::wstring a = L"API#" + std::to_wstring(server.control().objectsCreated()) + L".";
  const Variant name(L"example.com"), from(L"a"), to(L"b");
  api.call(L"newDOMAIN", {&name});
  DispatchHelper domain = child(api, L"OpenDomain", L"example.com");
  const std::wstring d = L"Domain#" + std::to_wstring(server.control().objectsCreated()) + L".";
  for (const auto& [property, value] : {std::pair{L"D_Type", Variant::ofInt(2)}, {L"D_DisableLogin", Variant::ofBool(true)},
                                        {L"D_UserMailbox", Variant::ofI4(-5)}, {L"D_Description", Variant()}}) {
    const Variant key(property);
    domain.call(L"SetProperty", {&key, &value});
  }
  api.call(L"RenameDomain", {&from, &to});
  EXPECT_EQ(server.journal(), (std::vector<std::wstring>{
      a + L"GetIDsOfNames(newDOMAIN)", a + L"NewDomain(example.com)", a + L"GetIDsOfNames(OpenDomain)",
      a + L"OpenDomain(example.com)", d + L"GetIDsOfNames(SetProperty)", d + L"SetProperty(D_Type, int:2)",
      d + L"SetProperty(D_DisableLogin, bool:-1)", d + L"SetProperty(D_UserMailbox, i4:-5)",
      d + L"SetProperty(D_Description, empty)", a + L"GetIDsOfNames(RenameDomain)", a + L"RenameDomain(a, b)"}));
  server.clearJournal();
  EXPECT_TRUE(server.journal().empty());
}

TEST_F(StandinHarness, FaultsFallOnTheNthCallAndChangeNothing) {
  server.failLastErr(L"newdomain", 2, -42);
  const Variant first(L"a.com"), second(L"b.com"), third(L"c.com");
  api.call(L"NewDomain", {&first});
  EXPECT_EQ(lastErr(api), 0);
  const Variant refused = api.call(L"NewDomain", {&second});
  EXPECT_EQ(lastErr(api), -42);
  EXPECT_TRUE(refused.type() == VT_DISPATCH && !V_DISPATCH(refused.get()));
  api.call(L"NewDomain", {&third});
  EXPECT_EQ(domains(api), L"a.com;c.com");

  DispatchHelper domain = child(api, L"OpenDomain", L"a.com");
  server.failLastErr(L"Save", 1, -7);
  EXPECT_EQ(setAndSave(domain, L"D_Description", Variant(L"x")), -7);
  EXPECT_EQ(get(child(api, L"OpenDomain", L"a.com"), L"D_Description").type(), VT_EMPTY);
  domain.call(L"Save");  // the change waited on the object
  EXPECT_EQ(asString(get(child(api, L"OpenDomain", L"a.com"), L"D_Description")), L"x");

  const HRESULT failure = static_cast<HRESULT>(0x80041234);
  server.failInvoke(L"DeleteDomain", 1, failure, L"the store is locked");
  const std::optional<ComError> error = caught<ComError>([&] { api.call(L"DeleteDomain", {&first}); });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->error(), failure);
  EXPECT_EQ(error->description(), L"the store is locked");
  EXPECT_EQ(domains(api), L"a.com;c.com");
}

TEST_F(StandinHarness, RefusedCreationFailsUntilAcceptedOrResetAndLiveObjectsAreCounted) {
  server.refuseCreation(E_OUTOFMEMORY);
  EXPECT_EQ(create(), E_OUTOFMEMORY);
  server.refuseCreation(S_OK);
  EXPECT_EQ(create(), S_OK);
  server.refuseCreation(REGDB_E_CLASSNOTREG);
  server.failLastErr(L"GetDomainList", 1, -1);
  server.control().resetFaults();
  EXPECT_EQ(create(), S_OK);
  api.call(L"GetDomainList");
  EXPECT_EQ(lastErr(api), 0);
  // Live objects are counted until their last release.
  const long before = server.control().objectsAlive();
  {
    DispatchHelper extra(L"DravoCOM.APIObject");
    const DispatchHelper domain = child(extra, L"NewDomain", L"example.com"), copy = domain;  // two references
    EXPECT_EQ(server.control().objectsAlive(), before + 2);
  }
  EXPECT_EQ(server.control().objectsAlive(), before);
}

TEST_F(StandinHarness, SavedStateSurvivesANewObjectAndDoneThenInitRereadsTheDisk) {
  DispatchHelper domain = child(api, L"NewDomain", L"example.com");
  EXPECT_EQ(setAndSave(domain, L"D_UserMailbox", Variant::ofI4(2048)), 0);
  EXPECT_EQ(setAndSave(api, L"C_SpamEngine", Variant::ofBool(true)), 0);
  DispatchHelper fresh(L"DravoCOM.APIObject");
  EXPECT_EQ(asLong(get(child(fresh, L"OpenDomain", L"example.com"), L"D_UserMailbox")), 2048);
  ASSERT_TRUE(DeleteFileW((server.configPath() + L"\\domains.cfg").c_str()));
  EXPECT_EQ(domains(fresh), L"example.com");  // the running server still holds it
  fresh.call(L"Done");
  EXPECT_EQ(lastErr(fresh), 0);
  fresh.call(L"GetDomainList");  // after "Done" the object answers only "Init"
  EXPECT_LT(lastErr(fresh), 0);
  api.call(L"GetDomainList");
  EXPECT_EQ(lastErr(api), 0);  // other objects are not affected
  const Variant none(L"");
  EXPECT_TRUE(asBool(fresh.call(L"Init", {&none})));
  EXPECT_EQ(domains(fresh), L"");
  EXPECT_EQ(get(fresh, L"C_SpamEngine").type(), VT_BOOL);  // server settings are not in domains.cfg
}

}  // namespace
