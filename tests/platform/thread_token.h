#pragma once
// Lets the calling thread act with a copy of the process token that lacks one privilege,
// until the object is destroyed.

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/owner.h"

class ThreadWithoutPrivilege {
 public:
  explicit ThreadWithoutPrivilege(const wchar_t* privilege) {
    KernelHandle process, restricted, impersonation;
    LUID_AND_ATTRIBUTES removed = {};
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, process.put()));
    EXPECT_TRUE(LookupPrivilegeValueW(nullptr, privilege, &removed.Luid));
    EXPECT_TRUE(CreateRestrictedToken(process.get(), 0, 0, nullptr, 1, &removed, 0, nullptr, restricted.put()));
    EXPECT_TRUE(DuplicateTokenEx(restricted.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenImpersonation,
                                 impersonation.put()));
    EXPECT_TRUE(SetThreadToken(nullptr, impersonation.get()));
  }
  ~ThreadWithoutPrivilege() { RevertToSelf(); }
  ThreadWithoutPrivilege(const ThreadWithoutPrivilege&) = delete;
  ThreadWithoutPrivilege& operator=(const ThreadWithoutPrivilege&) = delete;
};
