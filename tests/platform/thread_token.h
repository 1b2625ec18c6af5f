#pragma once
// Lets the calling thread act with a copy of the process token that lacks one privilege,
// until the object is destroyed.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/owner.h"

struct ThreadWithoutPrivilege {
  explicit ThreadWithoutPrivilege(const wchar_t* privilege) {
    KernelHandle process, restricted, impersonation;
    LUID_AND_ATTRIBUTES removed = {};
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()) &&
                LookupPrivilegeValueW(nullptr, privilege, &removed.Luid) &&
                CreateRestrictedToken(process.get(), 0, 0, nullptr, 1, &removed, 0, nullptr, restricted.put()) &&
                DuplicateTokenEx(restricted.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                                 TokenImpersonation, impersonation.put()) &&
                SetThreadToken(nullptr, impersonation.get()));
  }
  ~ThreadWithoutPrivilege() { RevertToSelf(); }
};
