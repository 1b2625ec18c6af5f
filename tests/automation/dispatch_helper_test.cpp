#include <objbase.h>

#include "automation/dispatch_helper.h"
#include "platform/caught.h"
#include "platform/com_error.h"

namespace {

// The message a creation of the helper for `name` fails with.
std::wstring creationFailure(const wchar_t* name) {
  const auto e = caught([&] { DispatchHelper helper(name); });
  EXPECT_TRUE(!e || e->trace().front().function == "DispatchHelper::CreateInstance");
  return e ? e->message() : L"<no failure>";
}

TEST(DispatchHelperOnSystemObjects, CreatesByProgIdOrBracedClassIdCallsMembersByNameAndRaisesForWhatItCannotCall) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));  // for the test's process, which ends with it
  EXPECT_EQ(creationFailure(nullptr), L"COM Error 80070057 (" + systemText(static_cast<DWORD>(E_INVALIDARG)) +
                                          L") at Can't CreateInstance((null))");
  // The system has no text of its own for this code, so the fallback wording shows.
  EXPECT_EQ(creationFailure(L"No.Such.Object"),
            L"COM Error 800401F3 (Unknown error 0x800401F3) at Can't CreateInstance(No.Such.Object)");
  // Braced text is read as a class id: not registered is not a ProgID failure.
  EXPECT_EQ(creationFailure(L"{0BADC0DE-0000-0000-0000-000000000000}").substr(0, 20) +
                creationFailure(L"{not a class id}").substr(0, 20), L"COM Error 80040154 (COM Error 800401F3 (");
  EXPECT_FALSE(DispatchHelper(L"{F6D90F11-9C73-11D3-B32E-00C04F990BB4}").empty());  // DOMDocument by its id
  // Members are called by name and objects attached.
  DispatchHelper document(L"Msxml2.DOMDocument");
  const Variant xml(L"<a>text</a>");
  EXPECT_TRUE(asBool(document.call(L"loadXML", {&xml})));
  const Variant root = document.invoke(L"documentElement", DISPATCH_PROPERTYGET);
  DispatchHelper element;
  EXPECT_EQ(element.attach(*root.get()), S_OK);
  EXPECT_EQ(asString(element.invoke(L"nodeName", DISPATCH_PROPERTYGET)), L"a");
  // Anything but an object leaves the helper empty.
  EXPECT_TRUE(element.attach(*Variant().get()) == E_NOINTERFACE && element.empty());
  EXPECT_THROW(asLong(Variant(L"not a number")), ComError);
  // Unknown members, empty helpers and failing invokes raise.
  EXPECT_EQ(failureText([&] { document.call(L"NoSuchMember"); }),
            L"COM Error 80020006 (Unknown error 0x80020006) at Can't get disp ID for member (NoSuchMember)" +
                at("DispatchHelper::dispId", 0));
  const auto empty = caught<ComError>([] { DispatchHelper().call(L"Save"); });
  EXPECT_TRUE(empty && empty->error() == E_POINTER);
  const auto failing = caught<ComError>([&] { document.call(L"loadXML"); });  // the argument is missing
  EXPECT_TRUE(failing && FAILED(failing->error()));
}

}  // namespace
