// The provider's service operations and emptying the server, on the stand-in services
// registered under the mail server's names and a fresh stand-in automation server.

#include <cstdio>

#include <gtest/gtest.h>

#include <list>
#include <string>

#include "automation/automation_objects.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "services/test_service.h"
#include "support/standin_server.h"

namespace {

using Dravo::DravoProvider;

const std::wstring smtp = L"DravoSMTP", pop3 = L"DravoPOP3", control = L"DravoControl";

class ProviderServices : public StandinTest {
 protected:
  void SetUp() override {
    for (const std::wstring& name : {smtp, pop3, control}) {
      setBehaviour(name, {});
      stopAndAwait(name);
    }
  }
  void TearDown() override {
    for (const std::wstring& name : {smtp, pop3, control}) {
      stopAndAwait(name);
      setBehaviour(name, {});
    }
  }
  DravoProvider provider;
};

TEST_F(ProviderServices, UnknownKindRaisesInvalidParameter) {
  for (const wchar_t* kind : {L"smtp", L"IMAP", L""}) {
    try {
      provider.isStarted(kind);
      FAIL() << "no exception";
    } catch (const vosexception& e) {
      EXPECT_EQ(87u, e.code());
      EXPECT_NE(std::wstring::npos, e.message().find(L"QueryStatusService for service " + std::wstring(kind)));
    }
  }
  try {
    provider.start(L"pop3", false);
    FAIL() << "no exception";
  } catch (const vosexception& e) {
    EXPECT_EQ(87u, e.code());
    EXPECT_NE(std::wstring::npos, e.message().find(L"Stop service 'pop3'")) << e.message();
  }
}

TEST_F(ProviderServices, IsStartedForRunningPausedAndStartingServices) {
  EXPECT_FALSE(provider.isStarted(L"SMTP"));
  provider.start(L"SMTP", true);
  EXPECT_TRUE(provider.isStarted(L"SMTP"));
  EXPECT_FALSE(provider.isStarted(L"POP3"));
  SERVICE_STATUS status{};
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(OpenServiceW(scm.get(), smtp.c_str(), SERVICE_PAUSE_CONTINUE));
  ASSERT_TRUE(ControlService(service.get(), SERVICE_CONTROL_PAUSE, &status));
  ASSERT_TRUE(awaitState(smtp, SERVICE_PAUSED));
  EXPECT_FALSE(provider.isStarted(L"SMTP"));

  ServiceBehaviour slow;
  slow.startDelay = 5000;
  setBehaviour(pop3, slow);
  ASSERT_TRUE(startRaw(pop3));
  ASSERT_TRUE(awaitState(pop3, SERVICE_START_PENDING));
  EXPECT_TRUE(provider.isStarted(L"POP3"));
}

TEST_F(ProviderServices, StartAndStopAreRepeatable) {
  provider.start(L"POP3", true);
  provider.start(L"POP3", true);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(pop3));
  provider.start(L"POP3", false);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(pop3));
  provider.start(L"POP3", false);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(pop3));
}

// Runs for about two minutes: the stall allowance itself is not shortened for tests.
TEST_F(ProviderServices, StalledStartTimesOutAndNamesKindAndSystemName) {
  ServiceBehaviour stalling;
  stalling.startDelay = 600000;
  stalling.startWaitHint = 500;
  stalling.startStall = 1;
  setBehaviour(smtp, stalling);
  const DWORD began = GetTickCount();
  try {
    provider.start(L"SMTP", true);
    FAIL() << "no exception";
  } catch (const vosexception& e) {
    EXPECT_EQ(1460u, e.code());
    EXPECT_NE(std::wstring::npos, e.message().find(L"Start service 'SMTP'(system name is 'DravoSMTP')"))
        << e.message();
  }
  std::printf("stalled start gave up after %lu ms\n", static_cast<unsigned long>(GetTickCount() - began));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), currentState(smtp));
}

TEST_F(ProviderServices, ServicesListsNamesOnlyWithBitZeroAndOptionalOnesThatExist) {
  std::list<std::wstring> names{L"kept"};
  provider.services(names, 2);
  EXPECT_EQ((std::list<std::wstring>{L"kept"}), names);
  provider.services(names, 1);
  EXPECT_EQ((std::list<std::wstring>{L"kept", smtp, pop3, control}), names);
  TestService calendar(L"Cal");  // a unique name does not count: only "DravoCalendar" does
  names.clear();
  provider.services(names, 3);
  EXPECT_EQ((std::list<std::wstring>{smtp, pop3, control}), names);
}

class RemoveAllDomains : public ProviderServices {
 protected:
  void populate() {
    provider.createDomain(L"one.example", 0)->release();
    provider.createDomain(L"two.example", 1024 * 1024)->release();
    std::list<std::wstring> before;
    provider.domains(before);
    ASSERT_EQ(2u, before.size());
  }
  size_t directoriesBelowConfig() {
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((server.configPath() + L"\\*").c_str(), &data));
    size_t count = 0;
    if (find)
      do {
        const std::wstring name = data.cFileName;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..") ++count;
      } while (FindNextFileW(find.get(), &data));
    return count;
  }
};

TEST_F(RemoveAllDomains, EmptiesTheServerAndRestartsWhatRan) {
  populate();
  ASSERT_GT(directoriesBelowConfig(), 0u);
  provider.start(L"SMTP", true);
  ASSERT_TRUE(startRaw(control) && awaitState(control, SERVICE_RUNNING));
  server.clearJournal();
  provider.removeAllDomains();
  std::list<std::wstring> after;
  provider.domains(after);
  EXPECT_TRUE(after.empty());
  EXPECT_EQ(0u, directoriesBelowConfig());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((server.configPath() + L"\\domains.cfg").c_str()));
  EXPECT_EQ(1u, server.count(L"API.Done()"));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(smtp));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(control));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(pop3));  // was not running
}

TEST_F(RemoveAllDomains, WorksWithoutADomainsFile) {
  std::wstring ignored = server.configPath();  // an empty server has no domains.cfg yet
  ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((ignored + L"\\domains.cfg").c_str()));
  CreateDirectoryW((ignored + L"\\leftover").c_str(), nullptr);
  provider.start(L"POP3", true);
  provider.removeAllDomains();
  EXPECT_EQ(0u, directoriesBelowConfig());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(pop3));
}

TEST_F(RemoveAllDomains, FailureInTheMiddleLeavesStoppedServicesStopped) {
  populate();
  provider.start(L"SMTP", true);
  provider.start(L"POP3", true);
  server.failInvoke(L"Done", 1, E_FAIL);
  EXPECT_THROW(provider.removeAllDomains(), ComError);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(smtp));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(pop3));
}

}  // namespace
