#include <array>
#include <cstring>
#include "machine_key.h"
#include "platform/config_key.h"
#include "platform/log_manager.h"
#include "platform/log_switches.h"
#include "platform/registry.h"
#include "platform/execute_context.h"

namespace {

using Bytes = std::array<unsigned char, 13>;

Bytes sharedSwitches() {
  Bytes bytes{};
  if (const void* slot = contextSlot(0)) std::memcpy(bytes.data(), slot, bytes.size());
  return bytes;
}

// Each test runs in a process of its own, so the switches and the evaluation counter
// start unmade and at zero.
class LogManagerTest : public ::testing::Test {
 protected:
  MachineKeyOverride machine;
  ScratchKey config{configKeyPath};
};

TEST_F(LogManagerTest, WithDebugAbsentLevelsThreeToFiveGoToTheEventLogAndTheSourceIsRegistered) {
  ASSERT_EQ(contextSlot(0), nullptr);
  LogManager& manager = LogManager::instance();  // evaluations 1 to 3
  EXPECT_EQ(sharedSwitches(), (Bytes{0, 0, 1, 1, 1, 1, /*event log*/ 0, 0, 0, 1, 1, 1, /*started*/ 0}));
  config.setNumber(L"Debug", 1);
  for (int evaluation = 4; evaluation <= 17; ++evaluation) EXPECT_EQ(evaluateDebugSwitch(), evaluation == 17) << evaluation;
  config.setNumber(L"Debug", 0);
  for (int evaluation = 18; evaluation <= 33; ++evaluation) EXPECT_EQ(evaluateDebugSwitch(), evaluation < 33) << evaluation;
  EXPECT_EQ(sharedSwitches()[6], 0) << "the switches keep what they were made with";

  // The event source is registered with what the event viewer reads (when and how often: LogOutput).
  config.setText(L"VantoService", L"C:\\panel\\messages.dll");
  ASSERT_NE(manager.getEventLog(), nullptr);
  const std::wstring sourceKey = L"System\\CurrentControlSet\\Services\\EventLog\\Application\\" + manager.sourceName();
  std::uint32_t types = 0;
  EXPECT_TRUE(registry::lookup(HKEY_LOCAL_MACHINE, sourceKey, L"TypesSupported", types) == 0 && types == 7u);
  EXPECT_EQ(registry::getstr(HKEY_LOCAL_MACHINE, sourceKey, L"EventMessageFile", REG_SZ), L"C:\\panel\\messages.dll");
}

TEST_F(LogManagerTest, ARecordAnotherModuleMadeFirstDecides) {
  config.setNumber(L"Debug", 1);
  const Bytes theirs{1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1};
  std::memcpy(makeContextSlot(0, 13), theirs.data(), theirs.size());
  LogManager::instance();
  EXPECT_EQ(sharedSwitches(), theirs);
}

TEST_F(LogManagerTest, AValueThatDisappearsKeepsTheLastOneRead) {
  config.setNumber(L"Debug", 7);
  EXPECT_TRUE(evaluateDebugSwitch());
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, configKeyPath);
  for (int evaluation = 2; evaluation <= 17; ++evaluation) EXPECT_TRUE(evaluateDebugSwitch()) << evaluation;
}

TEST_F(LogManagerTest, ADebugValueOfAnotherTypeRaisesOutOfTheFirstInstance) {
  config.setText(L"Debug", L"1");
  EXPECT_THROW(LogManager::instance(), vexception);
  EXPECT_EQ(contextSlot(0), nullptr) << "no half-made switches are left behind";
}

}  // namespace
