#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "support/scratch_key.h"

namespace {

class GetVersion : public ::testing::Test {
 protected:
  ScratchKey server{L"SOFTWARE\\Brandix\\Dravo Mail Server"};
  Dravo::DravoProvider provider;
  int major = -1, minor = -1, build = -1;

  void expectUnknown() {
    try {
      provider.getVersion(major, minor, build);
      FAIL() << "no failure";
    } catch (const vexception& e) {
      EXPECT_EQ(e.message(), L"Run-Time error: Unknown Dravo version");
      EXPECT_EQ(e.trace().front().function, "Dravo::DravoProvider::getVersion");
      EXPECT_EQ(e.trace().front().line, 986u);
    }
    EXPECT_EQ(major, -1);
  }
};

TEST_F(GetVersion, FourNumbersGiveTheFirstThree) {
  server.setText(L"Version", L"7.5.2.1");
  provider.getVersion(major, minor, build);
  EXPECT_EQ(major, 7);
  EXPECT_EQ(minor, 5);
  EXPECT_EQ(build, 2);
}

TEST_F(GetVersion, ExpandableValueIsRead) {
  server.setText(L"Version", L"8.0.0", REG_EXPAND_SZ);
  provider.getVersion(major, minor, build);
  EXPECT_EQ(major * 100 + minor * 10 + build, 800);
}

TEST_F(GetVersion, TwoNumbersMissingAndEmptyAreUnknown) {
  expectUnknown();
  server.setText(L"Version", L"7.5");
  expectUnknown();
  server.setText(L"Version", L"");
  expectUnknown();
}

// getVersion asks productInfo through the table, so a derived provider's answer counts.
TEST(GetVersionOverride, UsesTheTableEntry) {
  struct Fixed : Dravo::DravoProvider {
    bool productInfo(std::wstring& name, std::wstring& version) override {
      name = L"x";
      version = L"9.1.4";
      return true;
    }
  } provider;
  int major = 0, minor = 0, build = 0;
  provider.getVersion(major, minor, build);
  EXPECT_EQ(major, 9);
  EXPECT_EQ(build, 4);
}

}  // namespace
