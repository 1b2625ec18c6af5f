#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "machine_key.h"
#include "platform/config_key.h"
#include "platform/file_name.h"
#include "platform/log_manager.h"
#include "platform/log_switches.h"
#include "platform/strings.h"
#include "provider/execute_context.h"

namespace {

using Bytes = std::array<unsigned char, 13>;

Bytes sharedSwitches() {
  Bytes bytes{};
  const void* slot = contextSlot(0);
  if (slot) std::memcpy(bytes.data(), slot, bytes.size());
  return bytes;
}

// Each test runs in a process of its own, so the switches and the evaluation counter
// start unmade and at zero.
class LogManagerTest : public ::testing::Test {
 protected:
  MachineKeyOverride machine;
  ScratchKey config{configKeyPath};
};

TEST_F(LogManagerTest, WithDebugAbsentTheEventLogTakesLevelsThreeToFive) {
  ASSERT_EQ(contextSlot(0), nullptr);
  LogManager::instance();
  EXPECT_EQ(sharedSwitches(), (Bytes{0, 0, 1, 1, 1, 1, /*event log*/ 0, 0, 0, 1, 1, 1, /*started*/ 0}));
}

TEST_F(LogManagerTest, ARecordAnotherModuleMadeFirstDecides) {
  config.setNumber(L"Debug", 1);
  const Bytes theirs{1, 0, 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 1};
  std::memcpy(makeContextSlot(0, 13), theirs.data(), theirs.size());
  LogManager::instance();
  EXPECT_EQ(sharedSwitches(), theirs);
}

TEST_F(LogManagerTest, EvaluationsOneSeventeenAndThirtyThreeReadTheRegistry) {
  LogManager::instance();  // evaluations 1 to 3, with "Debug" absent
  config.setNumber(L"Debug", 1);
  for (int evaluation = 4; evaluation <= 16; ++evaluation) EXPECT_FALSE(evaluateDebugSwitch()) << evaluation;
  EXPECT_TRUE(evaluateDebugSwitch()) << "evaluation 17";
  config.setNumber(L"Debug", 0);
  for (int evaluation = 18; evaluation <= 32; ++evaluation) EXPECT_TRUE(evaluateDebugSwitch()) << evaluation;
  EXPECT_FALSE(evaluateDebugSwitch()) << "evaluation 33";
  EXPECT_EQ(sharedSwitches()[6], 0) << "the switches keep what they were made with";
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

TEST_F(LogManagerTest, TheEventSourceIsRegisteredUnderTheProgramsName) {
  LogManager& manager = LogManager::instance();
  EXPECT_TRUE(equalsNoCase(manager.sourceName(), L"platform_tests.exe")) << manager.sourceName();
  EXPECT_EQ(manager.getEventLog(), nullptr) << "without a message file nothing is registered";
  const std::wstring sourceKey = L"System\\CurrentControlSet\\Services\\EventLog\\Application\\" + manager.sourceName();
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, sourceKey.c_str(), 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

  config.setText(L"VantoService", L"C:\\panel\\messages.dll");
  const HANDLE source = manager.getEventLog();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(manager.getEventLog(), source) << "registered once";
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, sourceKey.c_str(), 0, KEY_READ, &key), 0);
  DWORD type = 0, types = 0, size = sizeof types;
  EXPECT_EQ(RegQueryValueExW(key, L"TypesSupported", nullptr, &type, reinterpret_cast<BYTE*>(&types), &size), 0);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(types, 7u);
  wchar_t file[MAX_PATH] = {};
  size = sizeof file;
  EXPECT_EQ(RegQueryValueExW(key, L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(file), &size), 0);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(file, L"C:\\panel\\messages.dll");
  RegCloseKey(key);
}

}  // namespace
