#pragma once
// Makes HKEY_LOCAL_MACHINE of this process stand for a key that the test owns, so the
// fixed configuration paths of the logging do not collide between tests run in parallel.

#include <gtest/gtest.h>

#include "override_machine_key.h"
#include "support/scratch_key.h"

// A registry path of its own for the running test.
inline std::wstring testKeyPath() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = std::string(test->test_suite_name()) + "." + test->name();
  return L"SOFTWARE\\DravoTests\\" + std::wstring(name.begin(), name.end());
}

struct MachineKeyOverride {
  ScratchKey root{testKeyPath()};
  MachineKeyOverride() { EXPECT_TRUE(overrideMachineKey(root.path())); }
  ~MachineKeyOverride() { RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr); }
};
