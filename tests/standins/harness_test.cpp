// What tests see of the stand-in and inject into it: the journal, faults on the nth call,
// refused creation and the count of live objects.

#include <gtest/gtest.h>

#include "standins/raw_dispatch.h"
#include "support/standin_server.h"

namespace {

class StandinHarness : public StandinTest {
 protected:
  Remote api = Remote::createApi();
};

std::wstring numbered(const wchar_t* kind, long number, const std::wstring& call) {
  return std::wstring(kind) + L"#" + std::to_wstring(number) + L"." + call;
}

TEST_F(StandinHarness, JournalShowsLookupsAndCallsWithTypedArgumentsInWrittenOrder) {
  const long apiNumber = server.control().objectsCreated();
  LPOLESTR name = const_cast<LPOLESTR>(L"newDOMAIN");
  DISPID id = 0;
  ASSERT_EQ(api.get()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  api.invokeId(id, DISPATCH_METHOD, {Variant(L"example.com")});
  const Remote domain = api.child(L"OpenDomain", L"example.com");
  ASSERT_TRUE(domain);
  const long domainNumber = server.control().objectsCreated();
  domain.call(L"SetProperty", {Variant(L"D_Type"), Variant::ofInt(2)});
  domain.call(L"SetProperty", {Variant(L"D_DisableLogin"), Variant::ofBool(true)});
  domain.call(L"SetProperty", {Variant(L"D_UserMailbox"), Variant::ofI4(-5)});
  domain.call(L"SetProperty", {Variant(L"D_Description"), Variant()});
  api.invoke(L"RenameDomain", DISPATCH_METHOD, {Variant(L"a"), Variant(L"b")});

  const std::vector<std::wstring> expected = {
      numbered(L"API", apiNumber, L"GetIDsOfNames(newDOMAIN)"),
      numbered(L"API", apiNumber, L"NewDomain(example.com)"),
      numbered(L"API", apiNumber, L"GetIDsOfNames(OpenDomain)"),
      numbered(L"API", apiNumber, L"OpenDomain(example.com)"),
      numbered(L"Domain", domainNumber, L"GetIDsOfNames(SetProperty)"),
      numbered(L"Domain", domainNumber, L"SetProperty(D_Type, int:2)"),
      numbered(L"Domain", domainNumber, L"GetIDsOfNames(SetProperty)"),
      numbered(L"Domain", domainNumber, L"SetProperty(D_DisableLogin, bool:-1)"),
      numbered(L"Domain", domainNumber, L"GetIDsOfNames(SetProperty)"),
      numbered(L"Domain", domainNumber, L"SetProperty(D_UserMailbox, i4:-5)"),
      numbered(L"Domain", domainNumber, L"GetIDsOfNames(SetProperty)"),
      numbered(L"Domain", domainNumber, L"SetProperty(D_Description, empty)"),
      numbered(L"API", apiNumber, L"GetIDsOfNames(RenameDomain)"),
      numbered(L"API", apiNumber, L"RenameDomain(a, b)"),
  };
  EXPECT_EQ(server.journal(), expected);
  EXPECT_EQ(server.count(L"Domain.GetIDsOfNames(SetProperty)"), 4u);
  server.clearJournal();
  EXPECT_TRUE(server.journal().empty());
}

TEST_F(StandinHarness, FailLastErrFallsOnTheNthCallAndChangesNothing) {
  server.failLastErr(L"newdomain", 2, -42);
  api.call(L"NewDomain", {Variant(L"a.com")});
  EXPECT_EQ(api.lastErr(), 0);
  const Variant refused = api.call(L"NewDomain", {Variant(L"b.com")});
  EXPECT_EQ(api.lastErr(), -42);
  ASSERT_EQ(refused.type(), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(refused.get()), nullptr);
  api.call(L"NewDomain", {Variant(L"c.com")});
  EXPECT_EQ(api.lastErr(), 0);
  EXPECT_EQ(api.text(L"GetDomainList"), L"a.com;c.com");

  const Remote domain = api.child(L"OpenDomain", L"a.com");
  EXPECT_EQ(domain.setProperty(L"D_Description", Variant(L"x")), 0);
  server.failLastErr(L"Save", 1, -7);
  EXPECT_EQ(domain.save(), -7);
  EXPECT_EQ(api.child(L"OpenDomain", L"a.com").property(L"D_Description").type(), VT_EMPTY);
  EXPECT_EQ(domain.save(), 0);  // the change waited on the object
  EXPECT_EQ(textOf(api.child(L"OpenDomain", L"a.com").property(L"D_Description")), L"x");
}

TEST_F(StandinHarness, FailInvokeRaisesAnExceptionWithItsDescription) {
  const HRESULT failure = static_cast<HRESULT>(0x80041234);
  server.failInvoke(L"DeleteDomain", 1, failure, L"the store is locked");
  api.call(L"NewDomain", {Variant(L"a.com")});
  const Invocation failed = api.invoke(L"DeleteDomain", DISPATCH_METHOD, {Variant(L"a.com")});
  EXPECT_EQ(failed.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(failed.scode, failure);
  EXPECT_EQ(failed.description, L"the store is locked");
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.put()), S_OK);
  Bstr description;
  info->GetDescription(description.put());
  EXPECT_EQ(description.str(), L"the store is locked");
  EXPECT_EQ(api.text(L"GetDomainList"), L"a.com");

  // Without a place for the exception the failure comes back as the HRESULT itself.
  server.failInvoke(L"GetDomainList", 1, E_ACCESSDENIED, L"");
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(api.get()->Invoke(api.dispId(L"GetDomainList"), IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                              nullptr),
            E_ACCESSDENIED);
  EXPECT_EQ(api.invoke(L"DeleteDomain", DISPATCH_METHOD, {Variant(L"a.com")}).hr, S_OK);

  SCOPED_TRACE("a success code answers refused while LastErr says success");
  const Remote domain = api.child(L"NewDomain", L"b.com");
  EXPECT_EQ(domain.setProperty(L"D_Description", Variant(L"x")), 0);
  server.failInvoke(L"Save", 1, S_FALSE);
  const Invocation save = domain.invoke(L"Save", DISPATCH_METHOD, {});
  EXPECT_EQ(save.hr, S_FALSE);
  ASSERT_EQ(save.result.type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(save.result.get()), VARIANT_FALSE);
  EXPECT_EQ(domain.lastErr(), 0);
  EXPECT_EQ(api.child(L"OpenDomain", L"b.com").property(L"D_Description").type(), VT_EMPTY);
}

TEST_F(StandinHarness, RefusedCreationFailsUntilAcceptedOrReset) {
  server.refuseCreation(E_OUTOFMEMORY);
  CLSID classId;
  ASSERT_EQ(CLSIDFromProgID(L"DravoCOM.APIObject", &classId), S_OK);
  ComPtr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(object.put())),
            E_OUTOFMEMORY);
  server.refuseCreation(S_OK);
  EXPECT_TRUE(Remote::createApi());

  server.refuseCreation(REGDB_E_CLASSNOTREG);
  server.failLastErr(L"GetDomainList", 1, -1);
  server.control().resetFaults();
  EXPECT_TRUE(Remote::createApi());
  api.call(L"GetDomainList");
  EXPECT_EQ(api.lastErr(), 0);
}

TEST_F(StandinHarness, LiveObjectsAreCountedUntilTheirLastRelease) {
  const long before = server.control().objectsAlive();
  {
    const Remote extra = Remote::createApi();
    const Remote domain = extra.child(L"NewDomain", L"example.com");
    const Remote copy = domain;  // a second reference to the same object
    EXPECT_EQ(server.control().objectsAlive(), before + 2);
  }
  EXPECT_EQ(server.control().objectsAlive(), before);
}

}  // namespace
