#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/com_error.h"
#include "platform/context_handler.h"

namespace {

template <class Failure>
vexception caughtThrough(Failure failure) {
  try {
    withContext(L"Doing('x')", "test::wrapper", 12, [&] { throw failure; });
  } catch (const vosexception&) {
    ADD_FAILURE() << "the subclass must not survive the wrapper";
  } catch (const vexception& e) {
    return e;
  }
  return vexception(L"nothing thrown");
}

TEST(ContextHandler, ReturnsTheResultAndStandardExceptionsBecomeMessages) {
  EXPECT_EQ(withContext(L"c", "f", 1, [] { return 41 + 1; }), 42);
  const vexception e = caughtThrough(std::out_of_range("index 7"));
  EXPECT_EQ(e.message(), L"index 7");
  EXPECT_EQ(fullText(e), L"index 7\n   at Doing('x')(test::wrapper line 12)");
}

TEST(ContextHandler, ModuleExceptionsKeepMessageAndTraceAndGainTheSite) {
  const vexception e = caughtThrough(VFileNotFoundException(2, L"CreateFile", site("VFile::open", 30)));
  EXPECT_EQ(e.message().rfind(L"Error 2 at CreateFile: ", 0), 0u);
  ASSERT_EQ(e.trace().size(), 2u);
  EXPECT_EQ(e.trace().front().function, "VFile::open");
  EXPECT_EQ(e.trace().back().source, L"Doing('x')");
}

TEST(ContextHandler, ComErrorsUseTheContextAsWhereAndAnythingElseIsUnexpected) {
  const vexception e = caughtThrough(ComError(static_cast<HRESULT>(0x80040205), L"desc"));
  EXPECT_EQ(e.message(), L"COM Error 80040205 (IDispatch error #5, desc) at Doing('x')");
  ASSERT_EQ(e.trace().size(), 1u);
  EXPECT_EQ(e.trace().front().function, "test::wrapper");
  EXPECT_TRUE(e.trace().front().source.empty());
  const vexception other = caughtThrough(42);
  EXPECT_EQ(other.message(), L"Unexpected error");
  EXPECT_EQ(other.trace().front().source, L"Doing('x')");
}

}  // namespace
