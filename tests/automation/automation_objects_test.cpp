
#include "automation/call_patterns.h"
#include "platform/caught.h"
#include "automation/server_directories.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;

class AutomationOnStandin : public StandinTest {};

const auto failsWith = [](const wchar_t* text) { return [text] { return std::wstring(text); }; };

TEST_F(AutomationOnStandin, EachMemberNameIsLookedUpOncePerHelperAndLastErrOfTheObjectCalledDecides) {
  ApiObject api;
  server.clearJournal();
  for (const wchar_t* name : {L"C_MailPath", L"C_LogPath"}) api.getString(name), api.lastErr();
  ApiObject copy = api;  // takes the cache along
  copy.getString(L"C_ConfigPath"), copy.lastErr();
  api.invoke(L"lastErr", DISPATCH_PROPERTYGET);  // another key for the cache
  api.invoke(L"lastErr", DISPATCH_PROPERTYGET);
  for (const wchar_t* call : {L"API.GetIDsOfNames(GetProperty)", L"API.GetIDsOfNames(LastErr)",
                              L"API.GetProperty(C_MailPath)", L"API.GetIDsOfNames(lastErr)"})
    EXPECT_EQ(server.count(call), 1u) << call;

  // A helper copied before its first call looks up on its own.
  ApiObject fresh, early = fresh;
  server.clearJournal();
  fresh.lastErr(), early.lastErr();
  EXPECT_EQ(server.count(L"API.GetIDsOfNames(LastErr)"), 2u);
  // Directory getters end in one backslash; how it is added is read in PathHelpers.
  EXPECT_EQ(mailPath() + L"|" + configPath() + L"|" + logPath(),
            server.mailPath() + L"\\|" + server.configPath() + L"\\|" + server.logPath() + L"\\");
  // The LastErr of the object called decides: a failed one of Save fails the write with the caller's text and site ...
  server.failLastErr(L"Save", 1, -5);
  const auto write = [&](const wchar_t* text) {
    writeProperties(api, {{L"C_Config_MaxLetterSize", Variant::ofInt(10)}}, failsWith(text), site("test::write", 9));
  };
  EXPECT_EQ(failureText([&] { write(L"it failed"); }), L"Run-Time error: it failed" + at("test::write", 9));
  // ... while a Save that answers false with LastErr 0 is a success.
  server.failInvoke(L"Save", 1, S_OK);
  EXPECT_NO_THROW(write(L"x"));

  DomainObject domain =
      openChild<DomainObject>(api, [&] { return api.newDomain(L"example.com"); }, failsWith(L"new"), site("t", 1));
  AccountObject account =
      openChild<AccountObject>(domain, [&] { return domain.newAccount(L"info"); }, failsWith(L"acc"), site("t", 2));
  server.clearJournal();
  writeProperties(account, {{L"U_Password", Variant(L"secret")}}, failsWith(L"save"), site("t", 3));
  const std::vector<std::wstring> calls = server.calls(),
                                  last{L"Account.Save()", L"Account.GetIDsOfNames(LastErr)", L"Account.LastErr()"};
  EXPECT_TRUE(calls.size() >= 3 && std::equal(last.begin(), last.end(), calls.end() - 3)) << calls.size();
  server.failLastErr(L"OpenAccount", 1, -1);
  const auto open = [&] { return domain.openAccount(L"info"); };
  EXPECT_EQ(failureText([&] { openChild<AccountObject>(domain, open, failsWith(L"open failed"), site("t", 4)); }),
            L"Run-Time error: open failed" + at("t", 4));
  EXPECT_EQ(server.calls().back(), L"Domain.LastErr()");

  // An empty child raises a null pointer (a failed invoke's code and text: MemberFileFaultSweep).
  server.failLastErr(L"OpenDomain", 1, -1);  // the server answers without an object
  DomainObject none = attachChild<DomainObject>(api.openDomain(L"missing.example"));
  const auto empty = caught<ComError>([&] { none.name(); });
  EXPECT_TRUE(none.empty() && empty && empty->error() == E_POINTER);
}

}  // namespace
