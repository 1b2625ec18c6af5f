#include <windows.h>

#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/owner.h"
#include "provider/mail_provider.h"
#include "support/scratch_key.h"
#include "support/slot.h"

namespace {

constexpr wchar_t serverKey[] = L"SOFTWARE\\Brandix\\Dravo Mail Server";

// Loads the module as the mail manager does and reaches the provider's operations only
// through the raw table of the object the export returns.
class ProviderTable : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryW(L"dravoprovider.dll"));
    ASSERT_TRUE(module_);
    auto create = reinterpret_cast<MailProvider* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module_.get(), "getVexilorProviderInstance")));
    ASSERT_NE(create, nullptr);
    provider_ = create();
    ASSERT_NE(provider_, nullptr);
  }
  void TearDown() override {
    if (provider_) callSlot<void()>(provider_, 34);
  }

  template <class Signature, class... Args>
  auto slot(std::size_t index, Args&&... args) {
    return callSlot<Signature>(provider_, index, std::forward<Args>(args)...);
  }
  bool productInfo(std::wstring& name, std::wstring& version) {
    return slot<bool(std::wstring&, std::wstring&)>(0, name, version);
  }

  Library module_;
  MailProvider* provider_ = nullptr;
  ScratchKey server_{serverKey};
};

TEST_F(ProviderTable, IsSupportedKnowsExactlyTheListedCodes) {
  const std::set<int> unsupported = {19, 20, 33, 41, 44, 46, 51, 52, 55, 57, 58, 68, 73};
  int supported = 0;
  for (int code = -2; code <= 80; ++code) {
    const bool expected = code >= 0 && code <= 77 && !unsupported.count(code);
    EXPECT_EQ(slot<bool(int)>(1, code), expected) << "code " << code;
    supported += expected;
  }
  EXPECT_EQ(supported, 65);
}

TEST_F(ProviderTable, ServiceNames) {
  EXPECT_EQ(slot<std::wstring(int)>(2, 0), L"DravoSMTP");
  EXPECT_EQ(slot<std::wstring(int)>(2, 1), L"DravoPOP3");
  EXPECT_EQ(slot<std::wstring(int)>(2, 2), L"dravo");
  EXPECT_EQ(slot<std::wstring(int)>(2, 3), L"dravo");
  EXPECT_EQ(slot<std::wstring(int)>(2, 4), L"");
  EXPECT_EQ(slot<std::wstring(int)>(2, -1), L"");
}

TEST_F(ProviderTable, ProviderRevisionIsOne) { EXPECT_EQ(slot<int()>(31), 1); }

TEST_F(ProviderTable, UnsupportedSlotsRaiseWithTheirSite) {
  const auto expectNotSupported = [](auto call, const char* function, std::uint32_t line) {
    try {
      call();
      ADD_FAILURE() << function << " returned";
    } catch (const vexception& e) {
      EXPECT_EQ(e.message(), L"Run-Time error: Not supported");
      ASSERT_EQ(e.trace().size(), 1u);
      EXPECT_EQ(e.trace().front().function, function);
      EXPECT_EQ(e.trace().front().line, line);
    }
  };
  StringList list;
  expectNotSupported([&] { slot<void(StringList&)>(25, list); }, "Dravo::DravoProvider::allRelayBlackList", 406);
  expectNotSupported([&] { slot<void(const std::wstring&)>(26, std::wstring(L"a")); },
                     "Dravo::DravoProvider::addRelayBlackList", 411);
  expectNotSupported([&] { slot<void(const std::wstring&)>(27, std::wstring(L"a")); },
                     "Dravo::DravoProvider::delRelayBlackList", 416);
  expectNotSupported([&] { slot<void()>(30); }, "Dravo::DravoProvider::accountsFormat", 454);
}

TEST_F(ProviderTable, ProductInfoWithoutVersionLeavesNameUntouched) {
  std::wstring name = L"caller's", version;
  EXPECT_FALSE(productInfo(name, version));
  EXPECT_EQ(name, L"caller's");
}

TEST_F(ProviderTable, ProductInfoReadsVersionAndNamesTheServer) {
  server_.setText(L"Version", L"8.0.1");
  std::wstring name = L"caller's", version;
  EXPECT_TRUE(productInfo(name, version));
  EXPECT_EQ(name, L"Dravo Mail Server");
  EXPECT_EQ(version, L"8.0.1");

  server_.setText(L"Version", L"7.6.%BUILD%", REG_EXPAND_SZ);
  EXPECT_TRUE(productInfo(name, version));
  EXPECT_EQ(version, L"7.6.%BUILD%") << "an expandable value is taken as stored";
}

TEST_F(ProviderTable, TwoInstancesAreIndependent) {
  auto create = reinterpret_cast<MailProvider* (*)()>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "getVexilorProviderInstance")));
  MailProvider* other = create();
  ASSERT_NE(other, provider_);
  callSlot<void()>(other, 34);
  EXPECT_EQ(slot<int()>(31), 1) << "the first one still answers";
}

}  // namespace
