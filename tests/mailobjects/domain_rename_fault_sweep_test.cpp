// Every call a domain rename makes on the server, made to fail in turn (the nth call of each
// member, for every n the rename makes, as a failed call and as a negative LastErr), and the
// domain's directories standing in the way: the failure names the failing step, the steps
// before it stay done, none after it is made, and the object keeps its old name.

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "automation/automation_objects.h"
#include "mail_objects_test.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "platform/caught.h"
#include "provider/dravo_provider.h"

namespace {

using namespace Dravo;

class DomainRenameFaultSweep : public MailObjectsTest {
 protected:
  // A domain with an alias, a mailbox with its folder and a mailing list with its member file.
  void makeScene() {
    DravoDomain(L"old.example", 0);
    DravoProvider().addAlias(L"old.example", L"alias.example");
    DravoProvider().createMailName(L"info", L"old.example", 0)->release();
    DravoMailList(L"news", L"old.example", L"owner@x.org").addMember(L"a@x.org");
    fs::create_directories(mailDir(L"old.example") / L"info");
  }
  void clearScene() {
    for (const wchar_t* name : {L"alias.example", L"new.example", L"old.example"}) raised([&] { DravoDomain::remove(name); });
    for (const wchar_t* name : {L"new.example", L"old.example"}) fs::remove_all(mailDir(name)), fs::remove_all(configDir(name));
  }
  // The rename's steps in its order, "1" for each one found done: the server's name, the
  // configuration folder (which the server moves with the name), the mail folder, the alias,
  // the mailbox's address and path, the list's file.
  std::string stepsDone() {
    const bool renamed = ApiObject().getDomainList().find(L"new.example") != std::wstring::npos;
    const std::wstring held = renamed ? L"new.example" : L"old.example";
    const auto moved = [](const fs::path& from, const fs::path& to) { return !fs::exists(from) && fs::exists(to); };
    const bool done[] = {renamed, moved(configDir(L"old.example"), configDir(L"new.example\\news.txt")),
                         moved(mailDir(L"old.example"), mailDir(L"new.example\\info")),
                         DravoDomain(L"alias.example").getStrProp(L"D_DomainValue") == L"new.example",
                         DravoAccount(L"info", held).getStrProp(L"U_Mailbox") == L"info@new.example",
                         DravoAccount(L"info", held).getStrProp(L"U_MailBoxPath") == L"new.example\\info",
                         DravoAccount(L"news", held).getStrProp(listFileProperty()) == L"new.example\\news.txt"};
    std::string steps;
    for (const bool step : done) steps += step ? '1' : '0';
    return steps;
  }
};

struct Case {
  std::wstring fault, text;     // what breaks, and what the failure's text holds
  std::function<void()> arm;
};

TEST_F(DomainRenameFaultSweep, EachCallAndEachFolderFailsInTurn) {
  makeScene();
  {
    DravoDomain domain(L"old.example");
    server.clearJournal();
    domain.name(L"new.example");
  }
  std::map<std::wstring, int> calls;  // member -> calls the rename makes
  for (const std::wstring& call : server.calls()) {
    const std::wstring member = call.substr(call.find(L'.') + 1, call.find(L'(') - call.find(L'.') - 1);
    if (member != L"GetIDsOfNames") ++calls[member];
  }
  ASSERT_EQ(stepsDone(), "1111111");
  clearScene();

  std::vector<Case> cases;
  for (const auto& [member, count] : calls) {
    for (int nth = 1; nth <= count; ++nth) {
      const std::wstring which = member + L" #" + std::to_wstring(nth);
      cases.push_back({L"failed " + which, L"refused " + which, [=, this] { server.failInvoke(member, nth, E_FAIL, L"refused " + which); }});
      if (member == L"RenameDomain" || member == L"OpenDomain" || member == L"OpenAccount" || member == L"Save")
        cases.push_back({L"LastErr after " + which, member + L" failed", [=, this] { server.failLastErr(member, nth, -1); }});
    }
  }
  const std::wstring taken = mailDir(L"new.example").wstring();
  cases.push_back({L"mail folder taken", L"Directory " + taken + L" already exists", [taken] { fs::create_directories(taken); }});

  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.fault));
    makeScene();
    DravoDomain domain(L"old.example");
    c.arm();
    const std::wstring text = anyFailureText([&] { domain.name(L"new.example"); });
    server.control().resetFaults();
    const std::string steps = stepsDone();
    EXPECT_NE(text.find(c.text), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_EQ(steps.find("01"), std::string::npos) << steps << ": a step after the failure was made";
    EXPECT_EQ(domain.name(), L"old.example") << "the object keeps its name";
    clearScene();
  }
}

}  // namespace
