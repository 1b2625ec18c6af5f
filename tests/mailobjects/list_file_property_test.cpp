#include <gtest/gtest.h>

#include "mailobjects/list_file_property.h"
#include "platform/override_machine_key.h"
#include "support/scratch_key.h"

namespace {

using namespace Dravo;

// HKEY_LOCAL_MACHINE of this process stands for a scratch key while the test runs, so the
// version the test writes is seen by nothing else.
TEST(ListFileProperty, NamedAfterTheMajorVersionReadOnce) {
  ScratchKey scratch{L"SOFTWARE\\Vanto\\ListFilePropertyTest"};
  scratch.create();
  ASSERT_TRUE(overrideMachineKey(scratch.path()));
  {
    ScratchKey server(L"SOFTWARE\\Brandix\\Dravo Mail Server");  // goes while HKLM still stands for the scratch key
    EXPECT_EQ(std::pair(readMailServerVersion().major, readMailServerVersion().minor), std::pair(7, 0)) << "no value: 7.0";
    const std::pair<const wchar_t*, const wchar_t*> versions[] = {{L"7.2", L"M_MailingListFile"}, {L"12.0.3", L"M_ListFile"}, {L"8.1", L"M_ListFile"}};
    for (const auto& [version, property] : versions) {
      server.setText(L"Version", version);
      EXPECT_STREQ(listFilePropertyFor(readMailServerVersion().major), property) << version;
    }
    EXPECT_STREQ(listFileProperty(), L"M_ListFile");
    server.setText(L"Version", L"7.2");
    EXPECT_STREQ(listFileProperty(), L"M_ListFile") << "the process keeps the first answer";
  }
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
}

}  // namespace
