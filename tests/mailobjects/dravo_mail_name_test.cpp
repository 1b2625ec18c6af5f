#include <gtest/gtest.h>

#include "mail_objects_test.h"
#include "mailobjects/dravo_mail_name.h"

namespace {

using namespace Dravo;

using MailNameTest = MailObjectsTest;

TEST_F(MailNameTest, NewMailNameHasItsOwnMailboxPathQuotasInKilobytesAndSizeOfTheWholeTree) {
  DravoMailName mail(L"info", L"example.com", 1500);
  EXPECT_EQ(mail.quota(), 1024);
  EXPECT_EQ(properties(L"info", L"example.com", {L"U_Mailbox", L"U_MailBoxPath"}), L"info@example.com|example.com\\info");
  mail.quota(0);
  EXPECT_EQ(mail.quota(), -1);
  EXPECT_EQ(properties(L"info", L"example.com", {L"U_MaxBoxSize"}), L"1") << "switched off, the limit is left";
  mail.quota(1023);
  EXPECT_EQ(mail.quota(), 0);
  writeBytes(mailDir(L"example.com\\info\\a.eml"), std::string(100, 'x'));
  writeBytes(mailDir(L"example.com\\info\\sub\\deeper\\c.eml"), "abc");
  EXPECT_EQ(mail.mailboxSize(), 103u) << "the whole tree";
}

TEST_F(MailNameTest, PostboxSwitchMovesTheForwardingListAndTheLastAliasStays) {
  DravoMailName mail(L"info", L"example.com", 0);
  mail.addForward(L"a@x.org");
  mail.addForward(L"a@x.org");
  const auto forwards = [] { return properties(L"info", L"example.com", {L"U_ForwardTo", L"U_RemoteAddress"}); };
  EXPECT_EQ(forwards(), L"|a@x.org;a@x.org") << "no test for duplicates";
  server.clearJournal();
  mail.postbox(true);
  std::vector<std::wstring> calls = server.calls();
  std::erase_if(calls, [](const std::wstring& call) { return call.find(L"GetIDsOfNames") != std::wstring::npos; });
  EXPECT_EQ(calls, (std::vector<std::wstring>{
                       L"Account.GetProperty(U_UseRemoteAddress)", L"Account.SetProperty(U_UseRemoteAddress, bool:0)",
                       L"Account.SetProperty(U_UseRemoteAddress, int:0)", L"Account.GetProperty(U_RemoteAddress)",
                       L"Account.SetProperty(U_ForwardTo, a@x.org;a@x.org)", L"Account.SetProperty(U_RemoteAddress, )",
                       L"Account.Save()", L"Account.LastErr()"}))
      << "the switch is written before the list is read";
  EXPECT_EQ(forwards(), L"a@x.org;a@x.org|");
  mail.delForward(L"a@x.org");
  mail.postbox(false);
  EXPECT_EQ(forwards(), L"|a@x.org") << "the first one only went";
  mail.addAlias(L"contact");
  mail.delAlias(L"info");
  EXPECT_EQ(raised([&] { mail.delAlias(L"contact"); }),
            L"Run-Time error: Account must have at least one alias. Account info @ Dravo::DravoMailName::delAlias");
  EXPECT_EQ(properties(L"info", L"example.com", {L"U_Alias"}), L"contact");
}

TEST_F(MailNameTest, RenameMovesItsOwnMailboxOnly) {
  DravoMailName mail(L"info", L"example.com", 0), shared(L"shared", L"example.com", 0);
  DravoAccount(L"info", L"example.com").setStrProp(L"U_MailBoxPath", L"example.com\\info\\");  // a final backslash goes
  DravoAccount(L"shared", L"example.com").setStrProp(L"U_MailBoxPath", L"common\\box");
  writeBytes(mailDir(L"example.com\\info") / L"1.eml", "x");
  writeBytes(mailDir(L"example.com\\shared") / L"1.eml", "x");
  mail.name(L"contact");
  shared.name(L"team");
  EXPECT_TRUE(fs::exists(mailDir(L"example.com\\contact") / L"1.eml") && !fs::exists(mailDir(L"example.com\\info")));
  EXPECT_EQ(properties(L"contact", L"example.com", {L"U_MailBoxPath", L"U_Alias", L"U_Mailbox"}), L"example.com\\contact|contact|contact@example.com");
  EXPECT_TRUE(fs::exists(mailDir(L"example.com\\shared") / L"1.eml"));
  EXPECT_EQ(properties(L"team", L"example.com", {L"U_MailBoxPath"}), L"common\\box");
}

TEST_F(MailNameTest, MoveToAnotherDomainCarriesPropertiesAndMailbox) {
  DravoMailName mail(L"info", L"example.com", 2048);
  mail.password(L"s3cret");
  writeBytes(mailDir(L"example.com\\info") / L"1.eml", "x");
  mail.domain(L"other.org");
  EXPECT_TRUE(fs::exists(mailDir(L"other.org\\info") / L"1.eml"));
  DravoMailName moved(L"info", L"other.org");
  EXPECT_EQ(std::pair(moved.password(), moved.quota()), std::pair(std::wstring(L"s3cret"), 2048));
  EXPECT_EQ(properties(L"info", L"other.org", {L"U_Mailbox", L"U_MailBoxPath"}), L"info@other.org|other.org\\info");
  EXPECT_NE(raised([] { DravoAccount(L"info", L"example.com"); }), L"<no failure>") << "the old account is gone";
  EXPECT_EQ(server.count(L"Account.GetProperty(U_IASCustom)"), 1u) << "all 52 properties copied";
  server.failLastErr(L"Delete", 1, -3);
  EXPECT_NO_THROW(mail.domain(L"example.com")) << "a failed delete of the old account is only logged";
  EXPECT_EQ(mail.domain(), L"example.com");
}

TEST_F(MailNameTest, FailureMessages) {
  const auto fails = [&](const wchar_t* member, const std::function<void()>& action, const std::wstring& message) {
    server.failLastErr(member, 1, -1);
    EXPECT_EQ(raised(action), L"Run-Time error: DravoCOM." + message);
    server.control().resetFaults();
  };
  const std::wstring save = L"AccountObject.Save failed to ", at = L" @ Dravo::DravoMailName::";
  DravoDomain(L"xn--bcher-kva.example", 0);
  fails(L"Save", [] { DravoMailName(L"a", L"xn--bcher-kva.example", 0); },
        L"AccountObject.Save failed for name=a and domain xn--bcher-kva.example [b\u00fccher.example]" + at + L"DravoMailName");
  fails(L"OpenAccount", [] { DravoMailName(L"a", L"example.com"); }, L"DomainObject.OpenAccount failed for name=a" + at + L"DravoMailName");
  fails(L"NewAccount", [] { DravoMailName(L"b", L"example.com", 0); }, L"DomainObject.NewAccount failed for name=b" + at + L"createNewAccount");
  fails(L"DeleteAccount", [] { DravoMailName::remove(L"xn--caf-dma", L"example.com"); },
        L"DomainObject.DeleteAccount failed for name=xn--caf-dma [caf\u00e9]" + at + L"remove");
  DravoMailName mail(L"info", L"example.com", 0);
  fails(L"Save", [&] { mail.name(L"new"); }, save + L"rename mailname. Old name info New name new" + at + L"name");
  fails(L"Save", [&] { mail.domain(L"other.org"); }, L"AccountObject.Save failed for new mail account. Mailname info" + at + L"domain");
  fails(L"Save", [&] { mail.quota(1); }, save + L"change quota" + at + L"quota");
  fails(L"Save", [&] { mail.password(L"x"); }, save + L"change password" + at + L"password");
  fails(L"Save", [&] { mail.postbox(true); }, save + L"change postbox status" + at + L"postbox");
  fails(L"Save", [&] { mail.addForward(L"x@y.z"); }, save + L"add forward" + at + L"addForward");
  mail.addForward(L"x@y.z");
  fails(L"Save", [&] { mail.delForward(L"x@y.z"); }, save + L"remove forward" + at + L"delForward");
  fails(L"Save", [&] { mail.addAlias(L"al"); }, save + L"add alias" + at + L"addAlias");
  mail.addAlias(L"al");
  fails(L"Save", [&] { mail.delAlias(L"al"); }, save + L"remove alias" + at + L"delAlias");
  DravoMailName(L"fresh", L"example.com", 0);
  fails(L"Save", [] { DravoAccount(L"fresh", L"example.com").setStrProp(L"U_Comment", L"x"); },
        save + L"set str property. Account name fresh @ Dravo::DravoAccount::setStrProp");
}

}  // namespace
