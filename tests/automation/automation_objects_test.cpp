#include <gtest/gtest.h>

#include "automation/call_patterns.h"
#include "provider/server_directories.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;

class AutomationOnStandin : public StandinTest {};

TEST_F(AutomationOnStandin, EachMemberNameIsLookedUpOncePerHelper) {
  ApiObject api;
  server.clearJournal();
  api.getString(L"C_MailPath");
  api.getString(L"C_LogPath");
  api.lastErr();
  api.lastErr();
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(GetProperty)"), 1u);
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(LastErr)"), 1u);
  EXPECT_EQ(server.count(L"API.GetProperty(C_MailPath)"), 1u);

  ApiObject copy = api;  // takes the cache along
  copy.getString(L"C_ConfigPath");
  copy.lastErr();
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(GetProperty)"), 1u);
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(LastErr)"), 1u);

  api.invoke(L"lastErr", DISPATCH_PROPERTYGET);  // another key for the cache
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(lastErr)"), 1u);
  api.invoke(L"lastErr", DISPATCH_PROPERTYGET);
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(lastErr)"), 1u);

  // A helper copied before its first call looks up on its own.
  ApiObject fresh;
  ApiObject early = fresh;
  server.clearJournal();
  fresh.lastErr();
  early.lastErr();
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(LastErr)"), 2u);
}

TEST_F(AutomationOnStandin, SaveCountsByLastErrNotByItsResult) {
  ApiObject api;
  // A failed LastErr of Save makes the write fail with the caller's text and site ...
  server.failLastErr(L"Save", 1, -5);
  try {
    writeProperties(api, {{L"C_Config_MaxLetterSize", Variant::ofInt(10)}}, [] { return std::wstring(L"it failed"); },
                    site("test::write", 9));
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: it failed");
    EXPECT_EQ(e.trace().front().function, "test::write");
  }
  // ... while a Save that answers false with LastErr 0 is a success.
  server.failInvoke(L"Save", 1, S_OK);
  EXPECT_NO_THROW(writeProperties(api, {{L"C_Config_MaxLetterSize", Variant::ofInt(10)}},
                                  [] { return std::wstring(L"x"); }, site("test::write", 9)));
}

TEST_F(AutomationOnStandin, LastErrIsReadFromTheObjectCalled) {
  ApiObject api;
  DomainObject domain = openChild<DomainObject>(
      api, [&] { return api.newDomain(L"example.com"); }, [] { return std::wstring(L"new"); }, site("t", 1));
  AccountObject account = openChild<AccountObject>(
      domain, [&] { return domain.newAccount(L"info"); }, [] { return std::wstring(L"acc"); }, site("t", 2));
  server.clearJournal();
  writeProperties(account, {{L"U_Password", Variant(L"secret")}}, [] { return std::wstring(L"save"); }, site("t", 3));
  const std::vector<std::wstring> calls = server.calls();
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(calls[calls.size() - 3], L"Account.Save()");
  EXPECT_EQ(calls[calls.size() - 2], L"Account.GetIDsOfNames(LastErr)");
  EXPECT_EQ(calls.back(), L"Account.LastErr()");

  server.failLastErr(L"OpenAccount", 1, -1);
  try {
    openChild<AccountObject>(
        domain, [&] { return domain.openAccount(L"info"); }, [] { return std::wstring(L"open failed"); },
        site("t", 4));
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: open failed");
  }
  EXPECT_EQ(server.calls().back(), L"Domain.LastErr()");
}

TEST_F(AutomationOnStandin, AnEmptyChildOrAFailedInvokeRaisesWithItsCode) {
  ApiObject api;
  server.failLastErr(L"OpenDomain", 1, -1);  // the server answers without an object
  const Variant none = api.openDomain(L"missing.example");
  DomainObject domain = attachChild<DomainObject>(none);
  EXPECT_TRUE(domain.empty());
  try {
    domain.name();
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(e.error(), E_POINTER);
  }
  // Invoke failures carry their code and description.
  server.failInvoke(L"GetDomainList", 1, static_cast<HRESULT>(0x80040301), L"store offline");
  try {
    api.getDomainList();
    FAIL();
  } catch (const ComError& e) {
    EXPECT_EQ(static_cast<unsigned>(e.error()), 0x80040301u);
    EXPECT_EQ(e.description(), L"store offline");
  }
}

TEST_F(AutomationOnStandin, RefusedCreationNamesTheProgId) {
  server.refuseCreation(E_ACCESSDENIED);
  try {
    ApiObject api;
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message().rfind(L"COM Error 80070005 (", 0), 0u);
    EXPECT_NE(e.message().find(L") at Can't CreateInstance(DravoCOM.APIObject)"), std::wstring::npos);
  }
}

TEST_F(AutomationOnStandin, DirectoryGettersEndInOneBackslash) {
  EXPECT_EQ(mailPath(), server.mailPath() + L"\\");
  EXPECT_EQ(configPath(), server.configPath() + L"\\");
  EXPECT_EQ(logPath(), server.logPath() + L"\\");

  ApiObject api;
  writeProperties(api,
                  {{L"C_MailPath", Variant(L"D:/Mail/")}, {L"C_LogPath", Variant(L"")}},
                  [] { return std::wstring(L"save"); }, site("t", 1));
  EXPECT_EQ(mailPath(), L"D:/Mail/\\") << "only a backslash counts as the separator";
  EXPECT_EQ(logPath(), L"\\") << "an unset directory is a lone backslash";
  writeProperties(api, {{L"C_MailPath", Variant(L"D:\\Mail\\")}}, [] { return std::wstring(L"save"); }, site("t", 1));
  EXPECT_EQ(mailPath(), L"D:\\Mail\\") << "an ending backslash is kept as it is";
}

}  // namespace
