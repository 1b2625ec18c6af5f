#include <objbase.h>

#include <gtest/gtest.h>

#include "automation/dispatch_helper.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/system_message.h"

namespace {

std::wstring systemText(HRESULT hr) {
  std::wstring text = systemMessage(static_cast<DWORD>(hr));
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
  return text;
}

class DispatchHelperOnSystemObjects : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }

  template <class Call>
  vexception failureOf(Call call) {
    try {
      call();
    } catch (const vexception& e) {
      return e;
    }
    ADD_FAILURE() << "no failure";
    return vexception(L"");
  }
};

TEST_F(DispatchHelperOnSystemObjects, CreationFailuresAndBracedClassIds) {
  const vexception e = failureOf([] { DispatchHelper helper(nullptr); });
  EXPECT_EQ(e.message(), L"COM Error 80070057 (" + systemText(E_INVALIDARG) + L") at Can't CreateInstance((null))");
  EXPECT_EQ(e.trace().front().function, "DispatchHelper::CreateInstance");
  // The system has no text of its own for this code, so the fallback wording shows.
  EXPECT_EQ(failureOf([] { DispatchHelper helper(L"No.Such.Object"); }).message(),
            L"COM Error 800401F3 (Unknown error 0x800401F3) at Can't CreateInstance(No.Such.Object)");

  // Braced text is read as a class id.
  const vexception unknown =
      failureOf([] { DispatchHelper helper(L"{0BADC0DE-0000-0000-0000-000000000000}"); });
  EXPECT_EQ(unknown.message().rfind(L"COM Error 80040154 (", 0), 0u) << "class not registered, not a ProgID failure";
  const vexception malformed = failureOf([] { DispatchHelper helper(L"{not a class id}"); });
  EXPECT_EQ(malformed.message().rfind(L"COM Error 800401F3 (", 0), 0u);
  // The document class by its id: {88D969C0-F192-11D4-A65F-0040963251E5} is DOMDocument60.
  DispatchHelper byId(L"{F6D90F11-9C73-11D3-B32E-00C04F990BB4}");  // DOMDocument
  EXPECT_FALSE(byId.empty());
}

TEST_F(DispatchHelperOnSystemObjects, CallsMethodsAndPropertiesByName) {
  DispatchHelper document(L"Msxml2.DOMDocument");
  const Variant xml(L"<a>text</a>");
  EXPECT_TRUE(asBool(document.call(L"loadXML", {&xml})));
  EXPECT_EQ(asString(document.invoke(L"xml", DISPATCH_PROPERTYGET)), L"<a>text</a>\r\n");
}

TEST_F(DispatchHelperOnSystemObjects, UnknownMemberNamesTheMember) {
  DispatchHelper document(L"Msxml2.DOMDocument");
  const vexception e = failureOf([&] { document.call(L"NoSuchMember"); });
  EXPECT_EQ(e.message(), L"COM Error 80020006 (Unknown error 0x80020006) at Can't get disp ID for member (NoSuchMember)");
  EXPECT_EQ(e.trace().front().function, "DispatchHelper::dispId");
}

TEST_F(DispatchHelperOnSystemObjects, EmptyHelperRaisesNullPointer) {
  DispatchHelper empty;
  try {
    empty.call(L"Save");
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.error(), E_POINTER);
  }
}

TEST_F(DispatchHelperOnSystemObjects, FailingInvokeRaisesComErrorWithItsCode) {
  DispatchHelper document(L"Msxml2.DOMDocument");
  try {
    document.call(L"loadXML");  // the argument is missing
    FAIL();
  } catch (const ComError& e) {
    EXPECT_TRUE(FAILED(e.error()));
  }
}

TEST_F(DispatchHelperOnSystemObjects, AttachTakesObjectsAndLeavesEmptyOnNone) {
  DispatchHelper document(L"Msxml2.DOMDocument");
  const Variant xml(L"<a><b/></a>");
  document.call(L"loadXML", {&xml});
  const Variant root = document.invoke(L"documentElement", DISPATCH_PROPERTYGET);
  ASSERT_EQ(root.type(), VT_DISPATCH);

  DispatchHelper element;
  EXPECT_EQ(element.attach(*root.get()), S_OK);
  EXPECT_EQ(asString(element.invoke(L"nodeName", DISPATCH_PROPERTYGET)), L"a");

  EXPECT_EQ(element.attach(*Variant().get()), E_NOINTERFACE);
  EXPECT_TRUE(element.empty());
  Variant nullObject;
  V_VT(nullObject.get()) = VT_DISPATCH;
  V_DISPATCH(nullObject.get()) = nullptr;
  EXPECT_EQ(element.attach(*nullObject.get()), E_NOINTERFACE);
  EXPECT_TRUE(element.empty());
}

TEST_F(DispatchHelperOnSystemObjects, ResultConversions) {
  EXPECT_EQ(asString(Variant()), L"");
  EXPECT_EQ(asLong(Variant(L"42")), 42);
  EXPECT_TRUE(asBool(Variant::ofInt(1)));
  EXPECT_FALSE(asBool(Variant::ofBool(false)));
  EXPECT_THROW(asLong(Variant(L"not a number")), ComError);
}

}  // namespace
