// The stand-in answers IDispatch as a type-library-based automation server does.

#include <gtest/gtest.h>

#include "standins/raw_dispatch.h"
#include "support/standin_server.h"

namespace {

class StandinDispatch : public StandinTest {
 protected:
  Remote api = Remote::createApi();
};

Variant number(VARTYPE type, long value) {
  Variant v;
  V_VT(v.get()) = type;
  V_I4(v.get()) = value;
  return v;
}

TEST_F(StandinDispatch, CreatedByProgIdAndOffersErrorInformation) {
  ASSERT_TRUE(api);
  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(api.get()->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(support.put())), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_OK);
  UINT count = 1;
  EXPECT_EQ(api.get()->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
}

TEST_F(StandinDispatch, NamesResolveWithoutRegardToCaseAndOnlyOnTheirKind) {
  const DISPID id = api.dispId(L"OpenDomain");
  EXPECT_NE(id, DISPID_UNKNOWN);
  EXPECT_EQ(api.dispId(L"opendomain"), id);
  EXPECT_NE(api.dispId(L"NewDomain"), id);
  const Remote domain = api.child(L"NewDomain", L"example.com");
  EXPECT_EQ(textOf(domain.invoke(L"name", DISPATCH_PROPERTYGET, {}).result), L"example.com");
  const Remote account = domain.child(L"NewAccount", L"info");
  const std::pair<const Remote*, const wchar_t*> cases[] = {
      {&api, L"OpenAccount"}, {&api, L"Frobnicate"}, {&api, L""}, {&domain, L"Delete"}, {&account, L"Name"}};
  for (const auto& [object, name] : cases) {
    HRESULT hr = S_OK;
    EXPECT_EQ(object->dispId(name, &hr), DISPID_UNKNOWN) << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
  }
  // A second name would name an argument: members take none by name.
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"OpenDomain"), const_cast<LPOLESTR>(L"name")};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(api.get()->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], id);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
}

TEST_F(StandinDispatch, CallKindAndArgumentsMustMatchTheMember) {
  EXPECT_EQ(api.invoke(L"LastErr", DISPATCH_METHOD, {}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(api.invoke(L"Save", DISPATCH_PROPERTYGET, {}).hr, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(api.invoke(L"Save", DISPATCH_PROPERTYPUT, {}).hr, DISP_E_MEMBERNOTFOUND);
  // Clients that do not know the kind pass both.
  EXPECT_EQ(api.invoke(L"LastErr", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}).hr, S_OK);
  EXPECT_EQ(api.invoke(L"Save", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}).hr, S_OK);

  SCOPED_TRACE("arguments are checked before anything changes");
  EXPECT_EQ(api.invoke(L"NewDomain", DISPATCH_METHOD, {}).hr, DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(api.invoke(L"NewDomain", DISPATCH_METHOD, {Variant(L"a"), Variant(L"b")}).hr, DISP_E_BADPARAMCOUNT);

  Invocation wrongType = api.invoke(L"NewDomain", DISPATCH_METHOD, {number(VT_I4, 5)});
  EXPECT_EQ(wrongType.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(wrongType.argumentError, 0u);
  // The error position counts in DISPPARAMS order, where the last written argument comes first.
  EXPECT_EQ(api.invoke(L"RenameDomain", DISPATCH_METHOD, {Variant(L"a"), number(VT_I4, 5)}).argumentError, 0u);
  EXPECT_EQ(api.invoke(L"RenameDomain", DISPATCH_METHOD, {number(VT_I4, 5), Variant(L"a")}).argumentError, 1u);

  EXPECT_EQ(api.invoke(L"GetProperty", DISPATCH_METHOD, {number(VT_I4, 1)}).hr, DISP_E_TYPEMISMATCH);

  Variant x(L"x");
  VARIANTARG argument = *x.get();
  DISPID named = 0;
  DISPPARAMS withName{&argument, &named, 1, 1};
  EXPECT_EQ(api.get()->Invoke(api.dispId(L"NewDomain"), IID_NULL, 0, DISPATCH_METHOD, &withName, nullptr, nullptr,
                              nullptr),
            DISP_E_NONAMEDARGS);
  EXPECT_EQ(api.invokeId(4711, DISPATCH_METHOD, {}).hr, DISP_E_MEMBERNOTFOUND);
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(api.get()->Invoke(api.dispId(L"Save"), IID_IDispatch, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                              nullptr),
            DISP_E_UNKNOWNINTERFACE);

  EXPECT_EQ(api.text(L"GetDomainList"), L"");
}

TEST_F(StandinDispatch, ResultsHaveTheDeclaredTypes) {
  const Variant created = api.call(L"NewDomain", {Variant(L"example.com")});
  ASSERT_EQ(created.type(), VT_DISPATCH);
  EXPECT_NE(V_DISPATCH(created.get()), nullptr);
  EXPECT_EQ(api.call(L"GetDomainList").type(), VT_BSTR);
  EXPECT_EQ(api.call(L"UpdateConfiguration").type(), VT_EMPTY);
  EXPECT_EQ(api.call(L"GetProperty", {Variant(L"C_MailPath")}).type(), VT_BSTR);

  const Variant missing = api.call(L"OpenDomain", {Variant(L"other.com")});
  ASSERT_EQ(missing.type(), VT_DISPATCH);
  EXPECT_EQ(V_DISPATCH(missing.get()), nullptr);
  const Variant refused = api.call(L"DeleteDomain", {Variant(L"other.com")});
  ASSERT_EQ(refused.type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(refused.get()), VARIANT_FALSE);
  const Variant deleted = api.call(L"DeleteDomain", {Variant(L"example.com")});
  ASSERT_EQ(deleted.type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(deleted.get()), VARIANT_TRUE);
}

}  // namespace
