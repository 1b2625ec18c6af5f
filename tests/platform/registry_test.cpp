#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/registry.h"
#include "support/scratch_key.h"
#include "caught.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  ScratchKey key{L"SOFTWARE\\DravoTests\\Registry"};
};

TEST_F(Registry, MissingKeysAndValuesRaiseFileNotFoundWithTheirSites) {
  EXPECT_EQ(failureText<VFileNotFoundException>([&] { registry::Key k(HKEY_LOCAL_MACHINE, key.path(), KEY_READ, true); }),
            osText(2, L"RegOpenKeyEx subKey=SOFTWARE\\DravoTests\\Registry") + L"\n   at (registry::open line 57)");
  key.create();
  EXPECT_EQ(failureText<VFileNotFoundException>([&] { registry::getstr(HKEY_LOCAL_MACHINE, key.path(), L"Version", REG_SZ); }),
            osText(2, L"lookup subKey=SOFTWARE\\DravoTests\\Registry value=Version with type 1") +
                L"\n   at (registry::getstr line 441)");
}

TEST_F(Registry, CreateThenSetAndLookupBothKinds) {
  {
    registry::Key k(HKEY_LOCAL_MACHINE, key.path(), KEY_SET_VALUE, false);
    registry::set(k.get(), L"Number", 42u);
    registry::set(k.get(), L"Text", L"hello");
    registry::set(k.get(), L"Empty", L"");
  }
  std::uint32_t number = 0;
  EXPECT_EQ(registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Number", number), 0);
  EXPECT_EQ(number, 42u);
  std::wstring text;
  EXPECT_EQ(registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Text", text, REG_SZ), 0);
  EXPECT_EQ(text, L"hello");
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path(), L"Empty", REG_SZ), L"");

  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.path().c_str(), 0, KEY_READ, &raw), 0);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(raw, L"Empty", nullptr, nullptr, nullptr, &size), 0);
  RegCloseKey(raw);
  EXPECT_EQ(size, 2u) << "an empty text is stored with its terminator";

  // write creates the key and never raises.
  EXPECT_EQ(registry::write(HKEY_LOCAL_MACHINE, key.path() + L"\\Sub", L"Dll", L"c:\\x.dll"), 0);
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path() + L"\\Sub", L"Dll", REG_SZ), L"c:\\x.dll");
}

TEST_F(Registry, LookupOfMissingValueReturnsCodeAndLeavesOutputs) {
  key.create();
  std::uint32_t number = 7;
  std::wstring text = L"kept";
  EXPECT_EQ(registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Nothing", number), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Nothing", text, REG_SZ), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry::lookup(HKEY_LOCAL_MACHINE, key.path() + L"\\Missing", L"x", number), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(number, 7u);
  EXPECT_EQ(text, L"kept");
}

TEST_F(Registry, WrongTypesAndSizesRaise) {
  key.setText(L"Text", L"x");
  key.setNumber(L"Number", 1);
  const WORD shortNumber = 1;
  key.setRaw(L"Short", REG_DWORD, &shortNumber, sizeof shortNumber);
  const unsigned long long longNumber = 1;
  key.setRaw(L"Long", REG_DWORD, &longNumber, sizeof longNumber);

  std::uint32_t number = 5;
  std::wstring text = L"kept";
  const auto typeError = caught([&] { registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Text", number); });
  ASSERT_TRUE(typeError);
  EXPECT_EQ(typeError->message(), L"Run-Time error: RegQueryValueEx invalid type of 'SOFTWARE\\DravoTests\\Registry\\Text'");
  EXPECT_EQ(typeError->trace().front().line, 269u);
  const auto sizeError = caught([&] { registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Short", number); });
  ASSERT_TRUE(sizeError);
  EXPECT_EQ(sizeError->message(), L"Run-Time error: RegQueryValueEx invalid size of 'SOFTWARE\\DravoTests\\Registry\\Short'");
  EXPECT_EQ(sizeError->trace().front().line, 271u);
  EXPECT_EQ(registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Long", number), ERROR_MORE_DATA);
  const auto textError = caught([&] { registry::lookup(HKEY_LOCAL_MACHINE, key.path(), L"Number", text, REG_SZ); });
  ASSERT_TRUE(textError);
  EXPECT_EQ(textError->trace().front().line, 339u);
  EXPECT_EQ(number, 5u);
  EXPECT_EQ(text, L"kept");
}

TEST_F(Registry, ExpandableTextIsReturnedUnexpandedAndUnterminatedLosesLastCharacter) {
  key.setText(L"Path", L"%SystemRoot%\\x", REG_EXPAND_SZ);
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path(), L"Path", REG_SZ), L"%SystemRoot%\\x");
  key.setText(L"Plain", L"abc");
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path(), L"Plain", REG_EXPAND_SZ), L"abc");
  // The system adds a forgotten terminator when the next character is one, so the
  // stored text is cut from a longer one.
  key.setRaw(L"Bare", REG_SZ, L"abcd", 3 * sizeof(wchar_t));
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path(), L"Bare", REG_SZ), L"ab");
  key.setRaw(L"Zero", REG_SZ, L"", 0);
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, key.path(), L"Zero", REG_SZ), L"");
}

}  // namespace
