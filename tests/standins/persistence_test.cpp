// The stand-in's state lives in its configuration directory: it survives a new API object,
// "Done" then "Init", and a new process; "Init" reads again what is on disk.

#include <gtest/gtest.h>

#include "platform/strings.h"
#include "standins/disk.h"
#include "standins/raw_dispatch.h"
#include "support/standin_server.h"

namespace {

class StandinPersistence : public StandinTest {
 protected:
  // Two domains, one disabled by name, an account with typed properties, a server setting.
  void populate() {
    const Remote api = Remote::createApi();
    const Remote domain = api.child(L"NewDomain", L"example.com");
    ASSERT_TRUE(domain);
    api.call(L"NewDomain", {Variant(L"old.org.d")});
    EXPECT_EQ(domain.setProperty(L"D_UserMailbox", Variant::ofI4(2048)), 0);
    EXPECT_EQ(domain.save(), 0);
    const Remote account = domain.child(L"NewAccount", L"info");
    EXPECT_EQ(account.setProperty(L"U_Type", Variant::ofInt(1)), 0);
    EXPECT_EQ(account.setProperty(L"U_Alias", Variant(L"info;contact")), 0);
    EXPECT_EQ(account.save(), 0);
    EXPECT_EQ(api.setProperty(L"C_SpamEngine", Variant::ofBool(true)), 0);
    EXPECT_EQ(api.save(), 0);
  }

  void expectPopulated(const Remote& api) {
    EXPECT_EQ(api.text(L"GetDomainList"), L"example.com;old.org.d");
    const Variant spam = api.property(L"C_SpamEngine");
    EXPECT_EQ(spam.type(), VT_BOOL);
    const Remote domain = api.child(L"OpenDomain", L"example.com");
    ASSERT_TRUE(domain);
    EXPECT_EQ(V_I4(domain.property(L"D_UserMailbox").get()), 2048);
    EXPECT_EQ(domain.text(L"GetAccountList"), L"info");
    const Remote account = domain.child(L"OpenAccount", L"info");
    ASSERT_TRUE(account);
    EXPECT_EQ(account.property(L"U_Type").type(), VT_INT);
    EXPECT_EQ(textOf(account.property(L"U_Alias")), L"info;contact");
  }

  // What a new process finds under the same server root.
  std::string probe(const std::vector<std::wstring>& queries) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring program(self);
    program = program.substr(0, program.find_last_of(L'\\') + 1) + L"standin_probe.exe";
    const std::wstring output = server.root() + L"\\probe.txt";
    std::wstring command = L"\"" + program + L"\" \"" + server.root() + L"\" \"" + output + L"\"";
    for (const auto& query : queries) command += L" \"" + query + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
      ADD_FAILURE() << "cannot start the probe, error " << GetLastError();
      return {};
    }
    const KernelHandle process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.get(), &status);
    EXPECT_EQ(status, 0u);
    return readFile(output);
  }
};

TEST_F(StandinPersistence, SavedStateSurvivesANewObjectAndDoneThenInitRereadsTheDisk) {
  populate();
  const Remote api = Remote::createApi();
  expectPopulated(api);
  ASSERT_TRUE(DeleteFileW((server.configPath() + L"\\domains.cfg").c_str()));
  EXPECT_EQ(api.text(L"GetDomainList"), L"example.com;old.org.d");  // the running server still holds them

  api.call(L"Done");
  EXPECT_EQ(api.lastErr(), 0);
  api.call(L"GetDomainList");  // after "Done" the object answers only "Init"
  EXPECT_LT(api.lastErr(), 0);
  const Remote other = Remote::createApi();
  other.call(L"GetDomainList");
  EXPECT_EQ(other.lastErr(), 0);  // other objects are not affected
  const Variant initialised = api.call(L"Init", {Variant(L"")});
  EXPECT_EQ(api.lastErr(), 0);
  EXPECT_EQ(V_BOOL(initialised.get()), VARIANT_TRUE);
  EXPECT_EQ(api.text(L"GetDomainList"), L"");
  EXPECT_EQ(api.property(L"C_SpamEngine").type(), VT_BOOL);  // server settings are not in domains.cfg
}

TEST_F(StandinPersistence, ANewProcessSeesWhatWasSaved) {
  populate();
  EXPECT_EQ(probe({L"domains", L"accounts:example.com", L"server:C_SpamEngine", L"domain:example.com:D_UserMailbox",
                   L"account:example.com:info:U_Type", L"account:example.com:info:U_Alias",
                   L"server:C_ConfigPath"}),
            "example.com;old.org.d\ninfo\nbool -1\ni4 2048\nint 1\nbstr info;contact\nbstr " +
                toNarrow(textOf(Remote::createApi().property(L"C_ConfigPath")), CP_UTF8) + "\n");
}

TEST_F(StandinPersistence, AnUnreadableConfigurationRefusesCallsAndIsLeftAsItWas) {
  populate();
  const std::wstring domains = server.configPath() + L"\\domains.cfg";
  const std::string damaged = readFile(domains) + "\tD_Type\tfloat\t1.5\r\n";
  ASSERT_TRUE(writeFile(domains, damaged));
  const Remote api = Remote::createApi();
  api.call(L"Done");
  api.call(L"Init", {Variant(L"")});
  EXPECT_LT(api.lastErr(), 0);
  api.call(L"GetDomainList");
  EXPECT_LT(api.lastErr(), 0);
  api.call(L"NewDomain", {Variant(L"new.com")});
  EXPECT_LT(api.lastErr(), 0);
  EXPECT_EQ(readFile(domains), damaged);
}

}  // namespace
