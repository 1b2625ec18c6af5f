#include <tuple>

#include "caught.h"
#include "platform/file_security.h"
#include "platform/privilege.h"
#include "platform/vsid.h"
#include "scratch_dir.h"

namespace {

TEST(VSID, CurrentUserIsTheTokensUserAndAccessListsHoldEntriesInOrderWithTheirOwnSids) {
  KernelHandle token;
  std::vector<BYTE> buffer(4096);
  DWORD size = 0;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()) &&
              GetTokenInformation(token.get(), TokenUser, buffer.data(), 4096, &size));  // without the code under test
  const PSID expected = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const VSID user = VSID::currentUser();
  ASSERT_TRUE(!user.empty() && EqualSid(user.get(), expected));
  ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
  const VSID impersonated = VSID::currentUser();
  RevertToSelf();
  EXPECT_TRUE(EqualSid(impersonated.get(), expected));
  BYTE garbage[16] = {9, 9, 9, 9};  // invalid SIDs leave it empty
  EXPECT_TRUE(VSID(reinterpret_cast<PSID>(garbage)).empty() && VSID(nullptr).empty());
  AccessList list;
  ULONG count = 9;
  PSID owner = user.get(), group = user.get();
  EXPECT_EQ(list.toArray(count, owner, group), nullptr);
  EXPECT_TRUE(count == 0 && owner == nullptr && group == nullptr);
  list.add(user, DELETE | FILE_WRITE_ATTRIBUTES, false);
  list.setOwner(user);
  list.add(user, GENERIC_READ, true);
  const auto entries = list.toArray(count, owner, group);
  ASSERT_EQ(count, 2u);
  const EXPLICIT_ACCESS_W& first = entries[0];
  EXPECT_EQ(std::tuple(first.grfAccessPermissions, first.grfAccessMode, first.grfInheritance,
                       first.Trustee.MultipleTrusteeOperation, first.Trustee.TrusteeForm, first.Trustee.TrusteeType),
            std::tuple(DWORD{0x00010100}, SET_ACCESS, DWORD{SUB_CONTAINERS_AND_OBJECTS_INHERIT}, NO_MULTIPLE_TRUSTEE,
                       TRUSTEE_IS_SID, TRUSTEE_IS_USER));
  EXPECT_TRUE(EqualSid(first.Trustee.ptstrName, user.get()) && first.Trustee.ptstrName != user.get()) << "its own copy";
  EXPECT_TRUE(entries[1].Trustee.TrusteeType == TRUSTEE_IS_GROUP && entries[1].grfAccessPermissions == GENERIC_READ);
  EXPECT_TRUE(owner && EqualSid(owner, user.get()) && group == nullptr);
}

TEST(FileSecurity, RefusedDescriptorsMissingFilesAndLackingOrUnknownPrivilegesRaiseFromTheirSites) {
  SECURITY_DESCRIPTOR absolute;
  ASSERT_TRUE(InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION));
  LocalMemory merged, descriptor;
  expectOsError([&] { SecurityDescriptor::mergeDacl(&absolute, 0, nullptr, merged); }, 0, L"BuildSecurityDescriptor",
                at("SecurityDescriptor::mergeDacl", 386));
  ScratchDir scratch;
  const std::wstring missing = scratch / L"missing.txt";
  PACL dacl = nullptr;
  expectOsError<VFileNotFoundException>(
      [&] { getFileSecurityInfo(missing, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, descriptor); }, 2,
      L"GetNamedSecurityInfo(" + missing + L")", at("getFileSecurityInfo", 349));
  expectOsError<VFileNotFoundException>([&] { setFileAccess(missing, DACL_SECURITY_INFORMATION, &absolute); }, 2,
                                        L"SetFileSecurity(" + missing + L")", at("setFileAccess", 362));
  AccessList list;
  list.add(VSID::currentUser(), DELETE, false);
  EXPECT_THROW(grantAccess(missing, list), VFileNotFoundException);
  // A held privilege switches (a lacking one: RenameDir.RefusalsAndFailuresRollEverythingBack).
  setPrivilege(L"SeSecurityPrivilege", true);
  setPrivilege(L"SeSecurityPrivilege", false);
  expectOsError([] { setPrivilege(L"SeNoSuchPrivilege", true); }, 0, L"LookupPrivilegeValue", at("setPrivilege", 752));
}

}  // namespace
