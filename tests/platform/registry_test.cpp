#include "caught.h"
#include "platform/registry.h"
#include "support/scratch_key.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  std::wstring text(const std::wstring& name, DWORD type = REG_SZ) {
    return registry::getstr(HKEY_LOCAL_MACHINE, key.path(), name.c_str(), type);
  }
  LONG lookup(const std::wstring& name, std::uint32_t& value) { return registry::lookup(HKLM, key.path(), name, value); }
  LONG lookup(const std::wstring& name, std::wstring& v) { return registry::lookup(HKLM, key.path(), name, v, REG_SZ); }
  ScratchKey key{L"SOFTWARE\\DravoTests\\Registry"};
  const HKEY HKLM = HKEY_LOCAL_MACHINE;
  const std::wstring where = key.path();
  std::uint32_t number = 5;
  std::wstring read = L"kept";
};

TEST_F(Registry, SetAndLookUpBothKindsWhileMissingValuesWrongTypesAndSizesLeaveTheOutputs) {
  expectOsError<VFileNotFoundException>(
      [&] { registry::Key k(HKEY_LOCAL_MACHINE, key.path(), KEY_READ, true); }, 2, L"RegOpenKeyEx subKey=" + where,
      at("registry::open", 57));
  const registry::Key k(HKEY_LOCAL_MACHINE, key.path(), KEY_SET_VALUE | KEY_QUERY_VALUE, false);
  EXPECT_TRUE(registry::set(k.get(), L"Number", 42u) == 0 && registry::set(k.get(), L"Text", L"hello") == 0 &&
              registry::set(k.get(), L"Empty", L"") == 0);
  EXPECT_TRUE(lookup(L"Number", number) == 0 && lookup(L"Text", read) == 0 && number == 42u && read == L"hello");
  DWORD size = 0;
  EXPECT_TRUE(RegQueryValueExW(k.get(), L"Empty", nullptr, nullptr, nullptr, &size) == 0 && size == 2u)
      << "an empty text is stored with its terminator";
  // write creates the key and never raises.
  EXPECT_EQ(registry::write(HKEY_LOCAL_MACHINE, key.path() + L"\\Sub", L"Dll", L"c:\\x.dll"), 0);
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path() + L"\\Sub", L"Dll", REG_SZ), L"c:\\x.dll");

  expectOsError<VFileNotFoundException>([&] { text(L"Version"); }, 2,
                                        L"lookup subKey=" + where + L" value=Version with type 1",
                                        at("registry::getstr", 441));
  for (const LONG status :
       {lookup(L"Nothing", number), lookup(L"Nothing", read), registry::lookup(HKLM, where + L"\\Missing", L"x", number)})
    EXPECT_EQ(status, ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(number == 42u && read == L"hello");
  // Wrong types and sizes raise and leave the outputs.
  key.setText(L"Text", L"x");
  key.setNumber(L"Number", 1);
  const unsigned long long longNumber = 1;
  key.setRaw(L"Short", REG_DWORD, &longNumber, 2);
  key.setRaw(L"Long", REG_DWORD, &longNumber, sizeof longNumber);
  EXPECT_EQ(failureText([&] { lookup(L"Text", number); }),
            L"Run-Time error: RegQueryValueEx invalid type of '" + where + L"\\Text'" + at("registry::lookup", 269));
  EXPECT_EQ(failureText([&] { lookup(L"Short", number); }),
            L"Run-Time error: RegQueryValueEx invalid size of '" + where + L"\\Short'" + at("registry::lookup", 271));
  EXPECT_EQ(lookup(L"Long", number), ERROR_MORE_DATA);
  EXPECT_EQ(caught([&] { lookup(L"Number", read); }).value_or(vexception(L"", site("none", 0))).trace().front().line, 339u);
  EXPECT_TRUE(number == 42u && read == L"hello");
  // Expandable text comes back unexpanded; unterminated text loses its last character.
  key.setText(L"Path", L"%SystemRoot%\\x", REG_EXPAND_SZ);
  key.setText(L"Plain", L"abc");
  // The system adds a forgotten terminator when the next character is one, so the
  // stored text is cut from a longer one.
  key.setRaw(L"Bare", REG_SZ, L"abcd", 3 * sizeof(wchar_t));
  key.setRaw(L"Zero", REG_SZ, L"", 0);
  EXPECT_EQ(text(L"Path") + L"|" + text(L"Plain", REG_EXPAND_SZ) + L"|" + text(L"Bare") + L"|" + text(L"Zero"),
            L"%SystemRoot%\\x|abc|ab|");
}

}  // namespace
