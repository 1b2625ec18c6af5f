// The provider's service operations and emptying the server, on the stand-in services
// registered under the mail server's names and a fresh stand-in automation server.

#include <gtest/gtest.h>

#include <filesystem>
#include <list>

#include "platform/caught.h"
#include "platform/com_error.h"
#include "provider/dravo_provider.h"
#include "platform/service_control.h"
#include "services/fake_clock.h"
#include "services/test_service.h"
#include "support/standin_server.h"

namespace {

using Names = std::list<std::wstring>;
const std::wstring smtp = L"DravoSMTP", pop3 = L"DravoPOP3", control = L"DravoControl";

class ProviderServices : public StandinTest {
 protected:
  void SetUp() override { resetMailServices(); }
  void TearDown() override { resetMailServices(); }
  std::size_t directoriesBelowConfig() const {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(server.configPath())) count += entry.is_directory();
    return count;
  }
  Dravo::DravoProvider provider;
};

// The stall allowance passes on a fake clock: the module's polling is not shortened.
TEST_F(ProviderServices, FailuresCarryTheirCodeAndNameTheKindAndTheSystemName) {
  setBehaviour(smtp, {.startDelay = 600000, .startWaitHint = 500, .startStall = 1});
  FakeClock clock;
  ASSERT_TRUE(clock.active());
  const std::tuple<std::optional<vosexception>, std::uint32_t, std::wstring> cases[] = {
      {caught<vosexception>([&] { provider.isStarted(L"smtp"); }), 87, L"QueryStatusService for service smtp"},
      {caught<vosexception>([&] { provider.isStarted(L""); }), 87, L"QueryStatusService for service "},
      {caught<vosexception>([&] { provider.start(L"pop3", false); }), 87, L"Stop service 'pop3'"},
      {caught<vosexception>([&] { provider.start(L"SMTP", true); }), 1460, L"Start service 'SMTP'(system name is 'DravoSMTP')"},
  };
  for (const auto& [raised, code, text] : cases) {
    ASSERT_TRUE(raised) << testing::PrintToString(text);
    EXPECT_EQ(raised->code(), code) << raised->message();
    EXPECT_NE(raised->message().find(text), std::wstring::npos) << raised->message();
  }
  EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), currentState(smtp));
  EXPECT_TRUE(provider.isStarted(L"SMTP")) << "a starting service counts as started";
}

TEST_F(ProviderServices, StartStopIsStartedAndTheListOfServices) {
  for (const bool start : {true, true, false, false}) {
    provider.start(L"POP3", start);
    EXPECT_EQ(static_cast<DWORD>(start ? SERVICE_RUNNING : SERVICE_STOPPED), currentState(pop3));
    EXPECT_EQ(start, provider.isStarted(L"POP3"));
  }
  provider.start(L"SMTP", true);
  ASSERT_EQ(0u, service::controlService(SERVICE_CONTROL_PAUSE, smtp.c_str(), nullptr, nullptr));
  EXPECT_FALSE(provider.isStarted(L"SMTP")) << "paused";
  // Only with bit 0 are the services listed, and the optional ones only when they exist.
  Names names{L"kept"};
  provider.services(names, 2);
  EXPECT_EQ(Names{L"kept"}, names);
  provider.services(names, 1);
  EXPECT_EQ((Names{L"kept", smtp, pop3, control}), names);
  names.clear();
  provider.services(names, 3);
  EXPECT_EQ((Names{smtp, pop3, control}), names);
}

TEST_F(ProviderServices, RemoveAllDomainsEmptiesTheServerAndRestartsWhatRanUnlessItFails) {
  const std::wstring domainsFile = server.configPath() + L"\\domains.cfg";
  CreateDirectoryW((server.configPath() + L"\\leftover").c_str(), nullptr);
  provider.start(L"POP3", true);
  provider.removeAllDomains();
  EXPECT_EQ(0u, directoriesBelowConfig());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(pop3));

  provider.start(L"POP3", false);
  provider.createDomain(L"one.example", 0)->release();
  provider.createDomain(L"two.example", 1024 * 1024)->release();
  ASSERT_GT(directoriesBelowConfig(), 0u);
  provider.start(L"SMTP", true);
  ASSERT_EQ(0u, service::startService(control.c_str(), nullptr, nullptr));
  server.clearJournal();
  provider.removeAllDomains();
  EXPECT_EQ(0u, directoriesBelowConfig());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(domainsFile.c_str()));
  EXPECT_EQ(1u, server.count(L"API.Done()"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(smtp));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(control));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(pop3));  // was not running

  // A failure in the middle leaves the services it stopped stopped.
  provider.createDomain(L"one.example", 0)->release();
  provider.start(L"POP3", true);
  server.failInvoke(L"Done", 1, E_FAIL);
  EXPECT_THROW(provider.removeAllDomains(), ComError);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(smtp));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(pop3));
}

}  // namespace
