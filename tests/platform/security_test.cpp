#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/exceptions.h"
#include "platform/file_security.h"
#include "platform/privilege.h"
#include "platform/vsid.h"
#include "caught.h"
#include "scratch_dir.h"
#include "thread_token.h"

namespace {

// The process token's user, read without the code under test.
std::vector<BYTE> processUser() {
  KernelHandle token;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
  std::vector<BYTE> buffer(512);
  DWORD size = 0;
  EXPECT_TRUE(GetTokenInformation(token.get(), TokenUser, buffer.data(), 512, &size));
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + GetLengthSid(sid));
}

VSID worldSid() {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID sid = nullptr;
  EXPECT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid));
  return VSID::adopt(sid);
}

TEST(VSID, CurrentUserIsTheTokensUserAndCopiesOwnTheirSid) {
  const std::vector<BYTE> expected = processUser();
  const VSID user = VSID::currentUser();
  ASSERT_FALSE(user.empty());
  EXPECT_TRUE(EqualSid(user.get(), const_cast<BYTE*>(expected.data())));

  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  const VSID impersonated = VSID::currentUser();
  RevertToSelf();
  EXPECT_TRUE(EqualSid(impersonated.get(), const_cast<BYTE*>(expected.data())));

  // Copies own their SID; invalid SIDs leave it empty.
  VSID copy(user);
  EXPECT_NE(copy.get(), user.get());
  EXPECT_TRUE(EqualSid(copy.get(), user.get()));
  VSID assigned = worldSid();
  assigned = user;
  EXPECT_TRUE(EqualSid(assigned.get(), user.get()));

  BYTE garbage[16] = {9, 9, 9, 9};
  EXPECT_TRUE(VSID(reinterpret_cast<PSID>(garbage)).empty());
  EXPECT_TRUE(VSID(nullptr).empty());
}

TEST(AccessList, ArraysHoldTheAccessEntriesInOrderAndPointAtOwnerAndGroup) {
  const VSID user = VSID::currentUser();
  const VSID world = worldSid();
  AccessList list;
  ULONG count = 9;
  PSID owner = user.get(), group = user.get();
  EXPECT_EQ(list.toArray(count, owner, group), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(owner, nullptr);
  EXPECT_EQ(group, nullptr);

  list.add(user, DELETE | FILE_WRITE_ATTRIBUTES, false);
  list.setOwner(user);
  list.add(world, GENERIC_READ, true);
  const auto entries = list.toArray(count, owner, group);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(entries[0].grfAccessPermissions, 0x00010100u);
  EXPECT_EQ(entries[0].grfAccessMode, SET_ACCESS);
  EXPECT_EQ(entries[0].grfInheritance, static_cast<DWORD>(SUB_CONTAINERS_AND_OBJECTS_INHERIT));
  EXPECT_EQ(entries[0].Trustee.MultipleTrusteeOperation, NO_MULTIPLE_TRUSTEE);
  EXPECT_EQ(entries[0].Trustee.TrusteeForm, TRUSTEE_IS_SID);
  EXPECT_EQ(entries[0].Trustee.TrusteeType, TRUSTEE_IS_USER);
  EXPECT_TRUE(EqualSid(entries[0].Trustee.ptstrName, user.get()));
  EXPECT_NE(static_cast<PSID>(entries[0].Trustee.ptstrName), user.get()) << "the entry holds its own copy";
  EXPECT_EQ(entries[1].Trustee.TrusteeType, TRUSTEE_IS_GROUP);
  EXPECT_TRUE(EqualSid(entries[1].Trustee.ptstrName, world.get()));
  ASSERT_NE(owner, nullptr);
  EXPECT_TRUE(EqualSid(owner, user.get()));
  EXPECT_EQ(group, nullptr);
}

LocalMemory descriptorFrom(const wchar_t* sddl) {
  LocalMemory descriptor;
  EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.put(), nullptr));
  return descriptor;
}

TEST(MergeDacl, AddsTheEntriesToTheEntriesAlreadyThere) {
  const LocalMemory old = descriptorFrom(L"D:(A;;FA;;;SY)");
  const VSID user = VSID::currentUser();
  AccessList list;
  list.add(user, DELETE | FILE_WRITE_ATTRIBUTES, false);
  ULONG count = 0;
  PSID owner = nullptr, group = nullptr;
  const auto entries = list.toArray(count, owner, group);
  LocalMemory merged;
  SecurityDescriptor::mergeDacl(old.get(), count, entries.get(), merged);

  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorDacl(merged.get(), &present, &dacl, &defaulted));
  ASSERT_TRUE(present && dacl);
  bool system = false, granted = false;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    const PSID sid = &ace->SidStart;
    if (EqualSid(sid, user.get())) {
      granted = ace->Mask == 0x00010100 && ace->Header.AceFlags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    } else {
      system = ace->Mask == FILE_ALL_ACCESS;
    }
  }
  EXPECT_TRUE(system) << "the old entry stays";
  EXPECT_TRUE(granted) << "the new entry is there, inherited by folders and files";
}

TEST(MergeDacl, ARefusedDescriptorRaisesTheReturnedCode) {
  SECURITY_DESCRIPTOR absolute;
  ASSERT_TRUE(InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION));
  LocalMemory merged;
  const auto e = caught<vosexception>([&] { SecurityDescriptor::mergeDacl(&absolute, 0, nullptr, merged); });
  ASSERT_TRUE(e);
  EXPECT_EQ(fullText(*e),
            osText(e->code(), L"BuildSecurityDescriptor") + L"\n   at (SecurityDescriptor::mergeDacl line 386)");
}

TEST(FileSecurity, MissingFilesRaiseFromTheirSites) {
  ScratchDir scratch;
  const std::wstring missing = scratch / L"missing.txt";
  LocalMemory descriptor;
  PACL dacl = nullptr;
  EXPECT_EQ(failureText<VFileNotFoundException>([&] {
              getFileSecurityInfo(missing, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, descriptor);
            }),
            osText(2, L"GetNamedSecurityInfo(" + missing + L")") + L"\n   at (getFileSecurityInfo line 349)");
  const LocalMemory some = descriptorFrom(L"D:(A;;FA;;;SY)");
  EXPECT_EQ(failureText<VFileNotFoundException>([&] { setFileAccess(missing, DACL_SECURITY_INFORMATION, some.get()); }),
            osText(2, L"SetFileSecurity(" + missing + L")") + L"\n   at (setFileAccess line 362)");
  AccessList list;
  list.add(VSID::currentUser(), DELETE, false);
  EXPECT_THROW(grantAccess(missing, list), VFileNotFoundException);
}

bool privilegeEnabled(const wchar_t* name) {
  KernelHandle token;
  EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()));
  LUID luid;
  EXPECT_TRUE(LookupPrivilegeValueW(nullptr, name, &luid));
  std::vector<BYTE> buffer(4096);
  DWORD size = 0;
  EXPECT_TRUE(GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), 4096, &size));
  const auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
    if (p.Luid.LowPart == luid.LowPart && p.Luid.HighPart == luid.HighPart) return p.Attributes & SE_PRIVILEGE_ENABLED;
  }
  ADD_FAILURE() << "the token does not hold the privilege";
  return false;
}

TEST(SetPrivilege, SwitchesAPrivilegeOfTheProcessToken) {
  setPrivilege(L"SeSecurityPrivilege", true);
  EXPECT_TRUE(privilegeEnabled(L"SeSecurityPrivilege"));
  setPrivilege(L"SeSecurityPrivilege", false);
  EXPECT_FALSE(privilegeEnabled(L"SeSecurityPrivilege"));
}

TEST(SetPrivilege, ALackingOrUnknownPrivilegeRaises) {
  ThreadWithoutPrivilege restricted(L"SeSecurityPrivilege");
  {
    // The premise: the system call itself reports success.
    KernelHandle token;
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, token.put()));
    TOKEN_PRIVILEGES privileges = {1, {{{}, SE_PRIVILEGE_ENABLED}}};
    ASSERT_TRUE(LookupPrivilegeValueW(nullptr, L"SeSecurityPrivilege", &privileges.Privileges[0].Luid));
    EXPECT_TRUE(AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), 1300u);
  }
  const auto e = caught<vosexception>([] { setPrivilege(L"SeSecurityPrivilege", true); });
  ASSERT_TRUE(e);
  EXPECT_EQ(e->code(), 1300u);
  EXPECT_EQ(fullText(*e), osText(1300, L"AdjustTokenPrivileges") + L"\n   at (setPrivilege line 762)");

  const auto unknown = caught<vosexception>([] { setPrivilege(L"SeNoSuchPrivilege", true); });
  ASSERT_TRUE(unknown);
  EXPECT_EQ(fullText(*unknown), osText(unknown->code(), L"LookupPrivilegeValue") + L"\n   at (setPrivilege line 752)");
}

}  // namespace
