#include <gtest/gtest.h>

#include <optional>

#include "mailobjects/list_file_property.h"
#include "platform/override_machine_key.h"
#include "support/scratch_key.h"

namespace {

using namespace Dravo;

constexpr wchar_t serverKey[] = L"SOFTWARE\\Brandix\\Dravo Mail Server";

// HKEY_LOCAL_MACHINE of this process stands for a scratch key while the test runs, so the
// version the test writes is seen by nothing else.
class ListFilePropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch.create();
    ASSERT_TRUE(overrideMachineKey(scratch.path()));
    server.emplace(serverKey);
  }
  // The server key goes while HKLM still stands for the scratch key.
  void TearDown() override {
    server.reset();
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  }
  ScratchKey scratch{L"SOFTWARE\\Vanto\\ListFilePropertyTest"};
  std::optional<ScratchKey> server;
};

TEST_F(ListFilePropertyTest, NamedAfterTheMajorVersionReadOnce) {
  ASSERT_EQ(readMailServerVersion().major, 7) << "no value: 7.0";
  EXPECT_EQ(readMailServerVersion().minor, 0);
  server->setText(L"Version", L"8.1");
  EXPECT_EQ(readMailServerVersion().major, 8);
  EXPECT_EQ(readMailServerVersion().minor, 1);
  EXPECT_STREQ(listFilePropertyFor(readMailServerVersion().major), L"M_ListFile");
  server->setText(L"Version", L"7.2");
  EXPECT_STREQ(listFilePropertyFor(readMailServerVersion().major), L"M_MailingListFile");
  server->setText(L"Version", L"12.0.3");
  EXPECT_STREQ(listFilePropertyFor(readMailServerVersion().major), L"M_ListFile");

  SCOPED_TRACE("the process keeps the first answer");
  server->setText(L"Version", L"8.1");
  EXPECT_STREQ(listFileProperty(), L"M_ListFile");
  server->setText(L"Version", L"7.2");
  EXPECT_STREQ(listFileProperty(), L"M_ListFile");
  EXPECT_EQ(mailServerVersion().minor, 1);
}

}  // namespace
