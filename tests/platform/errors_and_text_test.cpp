#include <stdexcept>

#include "caught.h"
#include "platform/com_error.h"
#include "platform/context_handler.h"
#include "platform/file_name.h"
#include "platform/format.h"
#include "platform/owner.h"
#include "platform/strings.h"

namespace {

// Whether the work raises an exception of the class.
template <class Expected, class Work>
bool raises(Work&& work) {
  try { work(); } catch (const Expected&) { return true; } catch (...) {}
  return false;
}

// Whether the code is raised as an exception of the class, carrying the code.
template <class Expected>
bool raisedAs(std::uint32_t code) {
  const auto raise = [&] { throwOsError(L"Call object", code, site("test::raise", 7)); };
  return raises<Expected>(raise) && caught<vosexception>(raise)->code() == code;
}

TEST(HandleOwner, ClosingKeepsTheLastErrorOfTheFailedCallBeforeIt) {
  // A handle value that is none: its close fails and would report ERROR_INVALID_HANDLE.
  KernelHandle bogus(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7ffc)));
  SetLastError(ERROR_SHARING_VIOLATION);
  bogus.reset();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
}

TEST(OsErrors, TextNamesCodeWhereAndSystemTextAndTheClassFollowsTheCode) {
  EXPECT_EQ(osErrorText(5, nullptr), L"Error 5: " + systemText(5));
  EXPECT_EQ(osErrorText(2, L"RegOpenKeyEx subKey=A\\B"), L"Error 2 at RegOpenKeyEx subKey=A\\B: " + systemText(2));
  EXPECT_EQ(osErrorText(0x20001234, L"Call"), L"Error 536875572 at Call: Unknown error");
  const std::pair<std::uint32_t, bool (*)(std::uint32_t)> classes[] = {
      {2, raisedAs<VFileNotFoundException>}, {3, raisedAs<VPathNotFoundException>}, {5, raisedAs<VAccessDeniedException>},
      {14, raisedAs<VOutOfMemoryException>}, {32, raisedAs<VSharingViolationException>}, {38, raisedAs<VEOFException>},
      {80, raisedAs<VFileExistsException>}, {122, raisedAs<VInsufficientBufferException>}, {0, raisedAs<vosexception>},
      {183, raisedAs<VAlreadyExistsException>}, {1060, raisedAs<VServiceDoesNotExistException>},
      {2245, raisedAs<VPasswordTooShortException>}, {87, raisedAs<vosexception>}};
  for (const auto& [code, raisedAsItsClass] : classes) EXPECT_TRUE(raisedAsItsClass(code)) << code;
  EXPECT_FALSE(raisedAs<VFileNotFoundException>(87));
  EXPECT_FALSE(raises<vosexception>(throwOutOfMemory)) << "out of memory is not an OS exception class";
  EXPECT_EQ(failureText(throwOutOfMemory), L"Error 14: " + systemText(14)) << "and has no where or trace";
  // A full text of several sites, one line each in order: RenameDir.RefusalsAndFailuresRollEverythingBack.
}

// The full text of what the wrapper made of an exception thrown inside it: never an OS exception class.
template <class Failure>
std::wstring throughContext(Failure failure) {
  const auto work = [&] { withContext(L"Doing('x')", "test::wrapper", 12, [&] { throw failure; }); };
  EXPECT_FALSE(raises<vosexception>(work)) << "the subclass must not survive the wrapper";
  return failureText(work);
}

TEST(ContextHandler, ComErrorMessagesAndTheSiteTheWrapperGivesEveryException) {
  const std::wstring text = systemText(static_cast<DWORD>(E_INVALIDARG));
  EXPECT_EQ(vexception(ComError(E_INVALIDARG), L"Can't CreateInstance(x)", "f", 0).message(),
            L"COM Error 80070057 (" + text + L") at Can't CreateInstance(x)");
  EXPECT_EQ(fullText(vexception(ComError(E_INVALIDARG, L"bad name"), L"here", "f", 3)),
            L"COM Error 80070057 (" + text + L", bad name) at here" + at("f", 3));
  const std::pair<unsigned, const wchar_t*> unknown[] = {{0x80040205, L"IDispatch error #5"},
                                                         {0x8004FFFF, L"IDispatch error #65023"},
                                                         {0x80040200, L"Unknown error 0x80040200"},
                                                         {0x80FF1234, L"Unknown error 0x80FF1234"}};
  for (const auto& [code, message] : unknown) EXPECT_EQ(ComError(static_cast<HRESULT>(code)).errorMessage(), message);
  // The wrapper gives every exception its site.
  const std::wstring context = L"\n   at Doing('x')(test::wrapper line 12)";
  EXPECT_EQ(withContext(L"c", "f", 1, [] { return 42; }), 42);
  EXPECT_EQ(throughContext(std::out_of_range("index 7")), L"index 7" + context);
  EXPECT_EQ(throughContext(42), L"Unexpected error" + context);
  // Module exceptions keep message and trace; COM errors use the context as where.
  EXPECT_EQ(throughContext(VFileNotFoundException(2, L"CreateFile", site("VFile::open", 30))),
            osText(2, L"CreateFile") + at("VFile::open", 30) + context);
  EXPECT_EQ(throughContext(ComError(static_cast<HRESULT>(0x80040205), L"desc")),
            L"COM Error 80040205 (IDispatch error #5, desc) at Doing('x')" + at("test::wrapper", 12));
}

TEST(Strings, ConvertCompareFormatAndHandlePaths) {
  EXPECT_TRUE(toNarrow(L"", CP_ACP).empty() && toWide("", CP_UTF8).empty());
  EXPECT_TRUE(toNarrow(L"b\u00fccher", CP_UTF8) == "b\xc3\xbc" "cher" && toWide("b\xc3\xbc" "cher", CP_UTF8) == L"b\u00fccher");
  EXPECT_EQ(toWide(toNarrow(std::wstring(L"a\0b", 3), CP_UTF8), CP_UTF8), std::wstring(L"a\0b", 3));
  EXPECT_TRUE(equalsNoCase(L"Info@Example.COM", L"info@example.com") && equalsNoCase(L"", L"") &&
              !equalsNoCase(L"abc", L"abcd") && !equalsNoCase(L"abc", L"abd"));
  // A code page the system does not have.
  EXPECT_EQ(failureText([] { toWide("abc", 12345); }),
            L"Run-Time error: Maps a character string to a wide-character (Unicode) string failed" + at("wstr", 32));
  EXPECT_EQ(failureText([] { toNarrow(L"abc", 12345); }),
            L"Run-Time error: Maps a wide-character (Unicode) string to a character stringz" + at("cstr", 12));
  // Formatting: capacity boundaries and a text too long for the limit.
  for (std::size_t size : {0, 99, 100, 5000}) EXPECT_EQ(format(L"%s", std::wstring(size, L'x').c_str()).size(), size);
  const std::wstring huge(6 * 1024 * 1024, L'q');
  EXPECT_EQ(format(L"%s%s", huge.c_str(), huge.c_str()), L"Error on try call vaformat");
  // Path helpers: backslash, trim, name, parent and combine.
  const std::pair<std::wstring, std::wstring> cases[] = {
      {withBackslash(L"C:\\a\\"), L"C:\\a\\"}, {withBackslash(L"a/"), L"a/\\"}, {withBackslash(L""), L"\\"},  // only "\\" counts
      {trimRight(L"\\a\\b\\/\\", L"\\/"), L"\\a\\b"}, {trimLeft(L"/\\a\\b\\", L"\\/"), L"a\\b\\"},
      {trimRight(L"\\/\\", L"\\/"), L""}, {trimRight(L"abc", L""), L"abc"},
      {fileNamePart(L"C:\\a\\b.txt"), L"b.txt"}, {fileNamePart(L"b.txt"), L"b.txt"}, {parentDir(L"name"), L""},
      {parentDir(L"C:\\a"), L"C:\\"}, {parentDir(L"C:\\"), L"C:\\"},  // a root is its own parent
      {VFileName::combine(L"C:\\dir", L"sub\\name.txt"), L"C:\\dir\\sub\\name.txt"},
      {VFileName::combine(L"C:\\dir\\\\/", L"/\\name.txt"), L"C:\\dir\\name.txt"},  // separators at the seam
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
  // Results beyond 260 characters are refused naming the arguments as passed.
  const std::wstring dir = L"C:\\" + std::wstring(250, L'd') + L"\\", name = L"\\a-name-too-long.txt";
  EXPECT_EQ(failureText([&] { VFileName::combine(dir, name); }),
            L"Run-Time error: PathCombine failed for dir " + dir + L" and fileName " + name + at("VFileName::combine", 97));
  const std::wstring fits = L"C:\\" + std::wstring(240, L'd');
  EXPECT_EQ(VFileName::combine(fits, L"f.txt"), fits + L"\\f.txt");
}

}  // namespace
