#include <gtest/gtest.h>

#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "caught.h"

namespace {

template <class Expected>
void expectThrownAs(std::uint32_t code) {
  try {
    throwOsError(L"Call object", code, site("test::raise", 7));
  } catch (const Expected& e) {
    EXPECT_EQ(e.code(), code);
    return;
  } catch (...) {
  }
  ADD_FAILURE() << "code " << code << " was not raised as the expected class";
}

TEST(OsErrorText, NamesCodeWhereAndSystemTextOrUnknownError) {
  EXPECT_EQ(osErrorText(5, nullptr), L"Error 5: " + systemText(5));
  EXPECT_EQ(osErrorText(2, L"RegOpenKeyEx subKey=A\\B"), L"Error 2 at RegOpenKeyEx subKey=A\\B: " + systemText(2));
  EXPECT_FALSE(systemText(2).empty());
  EXPECT_EQ(osErrorText(2, nullptr).back(), systemText(2).back()) << "no trailing line break";
  EXPECT_EQ(osErrorText(0x20001234, L"Call"), L"Error 536875572 at Call: Unknown error");
}

TEST(ThrowOsError, PicksTheClassByCodeAndUnlistedCodesArePlain) {
  expectThrownAs<VFileNotFoundException>(2);
  expectThrownAs<VPathNotFoundException>(3);
  expectThrownAs<VAccessDeniedException>(5);
  expectThrownAs<VOutOfMemoryException>(14);
  expectThrownAs<VSharingViolationException>(32);
  expectThrownAs<VEOFException>(38);
  expectThrownAs<VFileExistsException>(80);
  expectThrownAs<VInsufficientBufferException>(122);
  expectThrownAs<VAlreadyExistsException>(183);
  expectThrownAs<VServiceDoesNotExistException>(1060);
  expectThrownAs<VPasswordTooShortException>(2245);
  for (std::uint32_t code : {0u, 87u}) {
    try {
      throwOsError(L"Call", code, site("test::raise", 1));
    } catch (const VFileNotFoundException&) {
      ADD_FAILURE() << "subclass for code " << code;
    } catch (const vosexception& e) {
      EXPECT_EQ(typeid(e), typeid(vosexception));
      EXPECT_EQ(e.code(), code);
    }
  }
}

TEST(ThrowOutOfMemory, IsPlainExceptionWithoutWhereOrTrace) {
  try {
    throwOutOfMemory();
  } catch (const vosexception&) {
    FAIL() << "must not be an OS exception class";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Error 14: " + systemText(14));
    EXPECT_TRUE(e.trace().empty());
  }
}

TEST(FullText, AppendsOneLinePerSiteInOrder) {
  vexception e(L"Error 2 at x: y", site("registry::create", 50));
  EXPECT_EQ(fullText(e), L"Error 2 at x: y\n   at (registry::create line 50)");
  e.addSite(CallSite{L"RenameDir('a', 'b')", "renameDir", 865});
  EXPECT_EQ(fullText(e), L"Error 2 at x: y\n   at (registry::create line 50)\n   at RenameDir('a', 'b')(renameDir line 865)");
  EXPECT_EQ(fullText(vexception(L"alone")), L"alone");
  vexception copy = e;  // a copy carries its own trace
  copy.addSite(site("g", 2));
  EXPECT_EQ(e.trace().size(), 2u);
  EXPECT_EQ(copy.trace().size(), 3u);
}

TEST(ComErrorMessage, WithAndWithoutDescription) {
  const std::wstring text = systemText(static_cast<DWORD>(E_INVALIDARG));
  ASSERT_FALSE(text.empty());
  vexception plain(ComError(E_INVALIDARG), L"Can't CreateInstance(x)", "DispatchHelper::CreateInstance", 0);
  EXPECT_EQ(plain.message(), L"COM Error 80070057 (" + text + L") at Can't CreateInstance(x)");
  vexception described(ComError(E_INVALIDARG, L"bad name"), L"here", "f", 3);
  EXPECT_EQ(described.message(), L"COM Error 80070057 (" + text + L", bad name) at here");
  ASSERT_EQ(described.trace().size(), 1u);
  EXPECT_EQ(described.trace().front().function, "f");
  EXPECT_TRUE(described.trace().front().source.empty());
  // Codes the system does not know.
  EXPECT_EQ(ComError(static_cast<HRESULT>(0x80040205)).errorMessage(), L"IDispatch error #5");
  EXPECT_EQ(ComError(static_cast<HRESULT>(0x8004FFFF)).errorMessage(), L"IDispatch error #65023");
  EXPECT_EQ(ComError(static_cast<HRESULT>(0x80040200)).errorMessage(), L"Unknown error 0x80040200");
  EXPECT_EQ(ComError(static_cast<HRESULT>(0x80FF1234)).errorMessage(), L"Unknown error 0x80FF1234");
}

}  // namespace
