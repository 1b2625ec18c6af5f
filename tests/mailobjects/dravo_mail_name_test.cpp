#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mailobjects/dravo_account.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/dravo_mail_name.h"
#include "platform/log_manager.h"
#include "support/slot.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
namespace fs = std::filesystem;

class MailNameTest : public StandinTest {
 protected:
  void SetUp() override { DravoDomain(L"example.com", 0); }
  fs::path mailbox(const std::wstring& domain, const std::wstring& name) {
    return fs::path(server.mailPath()) / domain / name;
  }
  static void writeFile(const fs::path& path, std::size_t bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'x');
  }
};

TEST_F(MailNameTest, NewMailNameStartsWithMailboxOffAndNoPassword) {
  DravoMailName mail(L"info", L"example.com", 1500);
  EXPECT_FALSE(mail.postbox());
  EXPECT_EQ(mail.password(), L"");
  EXPECT_EQ(mail.quota(), 1024);
  StringList aliases;
  mail.aliases(aliases);
  EXPECT_EQ(aliases, StringList{L"info"});
  DravoAccount account(L"info", L"example.com");
  EXPECT_EQ(account.getStrProp(L"U_Mailbox"), L"info@example.com");
  EXPECT_EQ(account.getStrProp(L"U_MailBoxPath"), L"example.com\\info");
  EXPECT_EQ(account.type(), 0);
}

TEST_F(MailNameTest, QuotaClearsOrSetsTheLimitSwitch) {
  DravoMailName mail(L"info", L"example.com", 4096);
  mail.quota(0);
  EXPECT_EQ(mail.quota(), -1);
  EXPECT_EQ(DravoAccount(L"info", L"example.com").getStrProp(L"U_MaxBoxSize"), L"4") << "left unchanged";
  mail.quota(-7);
  EXPECT_EQ(mail.quota(), -1);
  mail.quota(1023);
  EXPECT_EQ(mail.quota(), 0);
}

TEST_F(MailNameTest, PostboxSwitchMovesTheForwardingList) {
  DravoMailName mail(L"info", L"example.com", 0);
  mail.addForward(L"a@x.org");
  mail.addForward(L"a@x.org");
  StringList forwards;
  mail.forwards(forwards);
  EXPECT_EQ(forwards, (StringList{L"a@x.org", L"a@x.org"})) << "no test for duplicates";
  EXPECT_EQ(DravoAccount(L"info", L"example.com").getStrProp(L"U_RemoteAddress"), L"a@x.org;a@x.org");

  mail.postbox(true);
  EXPECT_TRUE(mail.postbox());
  DravoAccount account(L"info", L"example.com");
  EXPECT_EQ(account.getStrProp(L"U_ForwardTo"), L"a@x.org;a@x.org");
  EXPECT_EQ(account.getStrProp(L"U_RemoteAddress"), L"");
  mail.delForward(L"a@x.org");
  EXPECT_EQ(account.getStrProp(L"U_ForwardTo"), L"a@x.org") << "the first occurrence only";

  mail.postbox(false);
  EXPECT_EQ(account.getStrProp(L"U_RemoteAddress"), L"a@x.org");
  EXPECT_EQ(account.getStrProp(L"U_ForwardTo"), L"");
}

TEST_F(MailNameTest, LastAliasCannotBeRemoved) {
  DravoMailName mail(L"info", L"example.com", 0);
  mail.addAlias(L"contact");
  mail.delAlias(L"info");
  try {
    mail.delAlias(L"contact");
    FAIL();
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Account must have at least one alias. Account info");
    EXPECT_EQ(e.trace().front().function, "Dravo::DravoMailName::delAlias");
  }
  EXPECT_EQ(DravoAccount(L"info", L"example.com").getStrProp(L"U_Alias"), L"contact");
}

TEST_F(MailNameTest, RenameMovesTheMailboxAndDropsATrailingBackslash) {
  DravoMailName mail(L"info", L"example.com", 0);
  DravoAccount(L"info", L"example.com").setStrProp(L"U_MailBoxPath", L"example.com\\info\\");
  writeFile(mailbox(L"example.com", L"info") / L"1.eml", 10);
  mail.name(L"contact");
  EXPECT_EQ(mail.name(), L"contact");
  EXPECT_TRUE(fs::exists(mailbox(L"example.com", L"contact") / L"1.eml"));
  EXPECT_FALSE(fs::exists(mailbox(L"example.com", L"info")));
  DravoAccount account(L"contact", L"example.com");
  EXPECT_EQ(account.getStrProp(L"U_MailBoxPath"), L"example.com\\contact");
  EXPECT_EQ(account.getStrProp(L"U_Alias"), L"contact");
  EXPECT_EQ(account.getStrProp(L"U_Mailbox"), L"contact@example.com");
}

TEST_F(MailNameTest, RenameLeavesAMailboxElsewhereAlone) {
  DravoMailName mail(L"info", L"example.com", 0);
  DravoAccount(L"info", L"example.com").setStrProp(L"U_MailBoxPath", L"shared\\box");
  writeFile(mailbox(L"example.com", L"info") / L"1.eml", 10);
  mail.name(L"contact");
  EXPECT_TRUE(fs::exists(mailbox(L"example.com", L"info") / L"1.eml"));
  EXPECT_EQ(DravoAccount(L"contact", L"example.com").getStrProp(L"U_MailBoxPath"), L"shared\\box");
}

TEST_F(MailNameTest, MoveToAnotherDomainCarriesPropertiesAndMailbox) {
  DravoDomain(L"other.org", 0);
  DravoMailName mail(L"info", L"example.com", 2048);
  mail.password(L"s3cret");
  writeFile(mailbox(L"example.com", L"info") / L"1.eml", 10);
  mail.domain(L"other.org");
  EXPECT_EQ(mail.domain(), L"other.org");
  EXPECT_TRUE(fs::exists(mailbox(L"other.org", L"info") / L"1.eml"));
  DravoMailName moved(L"info", L"other.org");
  EXPECT_EQ(moved.password(), L"s3cret");
  EXPECT_EQ(moved.quota(), 2048);
  DravoAccount account(L"info", L"other.org");
  EXPECT_EQ(account.getStrProp(L"U_Mailbox"), L"info@other.org");
  EXPECT_EQ(account.getStrProp(L"U_MailBoxPath"), L"other.org\\info");
  StringList left;
  DravoDomain(L"example.com").mailNames(left);
  EXPECT_TRUE(left.empty());
  EXPECT_EQ(server.count(L"Account.GetProperty(U_IASCustom)"), 1u) << "all 52 properties copied";
}

TEST_F(MailNameTest, FailedDeleteOfTheOldAccountIsOnlyLogged) {
  DravoDomain(L"other.org", 0);
  DravoMailName mail(L"info", L"example.com", 0);
  server.failLastErr(L"Delete", 1, -3);
  EXPECT_NO_THROW(mail.domain(L"other.org"));
  EXPECT_EQ(mail.domain(), L"other.org");
}

TEST_F(MailNameTest, MailboxSizeWalksTheWholeTree) {
  DravoMailName mail(L"info", L"example.com", 0);
  writeFile(mailbox(L"example.com", L"info") / L"a.eml", 100);
  writeFile(mailbox(L"example.com", L"info") / L"sub" / L"b.eml", 20);
  writeFile(mailbox(L"example.com", L"info") / L"sub" / L"deeper" / L"c.eml", 3);
  EXPECT_EQ(mail.mailboxSize(), 123u);
}

TEST_F(MailNameTest, AttachmentsAreCreatedReplacedListedAndRemoved) {
  DravoMailName mail(L"info", L"example.com", 0);
  fs::create_directories(mailbox(L"example.com", L"info"));  // mail has arrived
  const fs::path source = fs::path(server.root()) / L"source.txt";
  writeFile(source, 5);
  mail.addAttachment(source.wstring(), L"file.txt");
  writeFile(source, 8);
  mail.addAttachment(source.wstring(), L"file.txt");
  StringList files;
  mail.attachments(files);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(fs::file_size(files.front()), 8u);
  mail.delAttachment(L"file.txt");
  files.clear();
  mail.attachments(files);
  EXPECT_TRUE(files.empty());
}

TEST_F(MailNameTest, FailureMessages) {
  const auto expectFailure = [&](const wchar_t* member, int nth, const std::function<void()>& action,
                                 const std::wstring& message, const char* where) {
    server.failLastErr(member, nth, -1);
    try {
      action();
      ADD_FAILURE() << where << ": no failure";
    } catch (const vexception& e) {
      EXPECT_EQ(e.message(), L"Run-Time error: " + message);
      EXPECT_EQ(e.trace().front().function, where);
    }
    server.control().resetFaults();
  };
  DravoDomain(L"xn--bcher-kva.example", 0);
  expectFailure(L"Save", 1, [] { DravoMailName(L"a", L"xn--bcher-kva.example", 0); },
                L"DravoCOM.AccountObject.Save failed for name=a and domain xn--bcher-kva.example [b\u00fccher.example]",
                "Dravo::DravoMailName::DravoMailName");
  expectFailure(L"OpenAccount", 1, [] { DravoMailName(L"a", L"example.com"); },
                L"DravoCOM.DomainObject.OpenAccount failed for name=a", "Dravo::DravoMailName::DravoMailName");
  expectFailure(L"NewAccount", 1, [] { DravoMailName(L"b", L"example.com", 0); },
                L"DravoCOM.DomainObject.NewAccount failed for name=b", "Dravo::DravoMailName::createNewAccount");
  DravoMailName mail(L"info", L"example.com", 0);
  expectFailure(L"DeleteAccount", 1, [] { DravoMailName::remove(L"xn--caf-dma", L"example.com"); },
                L"DravoCOM.DomainObject.DeleteAccount failed for name=xn--caf-dma [caf\u00e9]",
                "Dravo::DravoMailName::remove");
  expectFailure(L"Save", 1, [&] { mail.name(L"new"); },
                L"DravoCOM.AccountObject.Save failed to rename mailname. Old name info New name new",
                "Dravo::DravoMailName::name");
  DravoDomain(L"other.org", 0);
  expectFailure(L"Save", 1, [&] { mail.domain(L"other.org"); },
                L"DravoCOM.AccountObject.Save failed for new mail account. Mailname info", "Dravo::DravoMailName::domain");
  DravoMailName fresh(L"fresh", L"example.com", 0);
  expectFailure(L"Save", 1, [&] { fresh.quota(1); }, L"DravoCOM.AccountObject.Save failed to change quota",
                "Dravo::DravoMailName::quota");
  expectFailure(L"Save", 1, [&] { fresh.password(L"x"); }, L"DravoCOM.AccountObject.Save failed to change password",
                "Dravo::DravoMailName::password");
  expectFailure(L"Save", 1, [&] { fresh.postbox(true); },
                L"DravoCOM.AccountObject.Save failed to change postbox status", "Dravo::DravoMailName::postbox");
  expectFailure(L"Save", 1, [&] { fresh.addForward(L"x@y.z"); }, L"DravoCOM.AccountObject.Save failed to add forward",
                "Dravo::DravoMailName::addForward");
  fresh.addForward(L"x@y.z");
  expectFailure(L"Save", 1, [&] { fresh.delForward(L"x@y.z"); },
                L"DravoCOM.AccountObject.Save failed to remove forward", "Dravo::DravoMailName::delForward");
  expectFailure(L"Save", 1, [&] { fresh.addAlias(L"al"); }, L"DravoCOM.AccountObject.Save failed to add alias",
                "Dravo::DravoMailName::addAlias");
  fresh.addAlias(L"al");
  expectFailure(L"Save", 1, [&] { fresh.delAlias(L"al"); }, L"DravoCOM.AccountObject.Save failed to remove alias",
                "Dravo::DravoMailName::delAlias");
  expectFailure(L"Save", 1, [] { DravoAccount(L"fresh", L"example.com").setStrProp(L"U_Comment", L"x"); },
                L"DravoCOM.AccountObject.Save failed to set str property. Account name fresh",
                "Dravo::DravoAccount::setStrProp");
  expectFailure(L"OpenAccount", 1, [] { DravoAccount(L"fresh", L"example.com"); },
                L"DravoCOM.DomainObject.OpenAccount failed for name=fresh", "Dravo::DravoAccount::DravoAccount");
}

TEST_F(MailNameTest, SlotsAreReachedByIndexAsTheHostCallsThem) {
  MailName* mail = new DravoMailName(L"info", L"example.com", 0);
  EXPECT_EQ((callSlot<std::wstring()>(mail, 1)), L"info");
  EXPECT_EQ((callSlot<std::wstring()>(mail, 3)), L"example.com");
  callSlot<void(int)>(mail, 4, 2048);
  EXPECT_EQ((callSlot<int()>(mail, 5)), 2048);
  callSlot<void(const std::wstring&)>(mail, 7, std::wstring(L"pw"));
  EXPECT_EQ((callSlot<std::wstring()>(mail, 8)), L"pw");
  callSlot<void(bool)>(mail, 9, true);
  EXPECT_TRUE((callSlot<bool()>(mail, 10)));
  callSlot<void(const std::wstring&)>(mail, 12, std::wstring(L"f@x.y"));
  StringList forwards;
  callSlot<void(StringList&)>(mail, 11, forwards);
  EXPECT_EQ(forwards, StringList{L"f@x.y"});
  EXPECT_FALSE((callSlot<bool()>(mail, 15)));
  callSlot<void(const std::wstring&)>(mail, 17, std::wstring(L"alias"));
  StringList aliases;
  callSlot<void(StringList&)>(mail, 16, aliases);
  EXPECT_EQ(aliases, (StringList{L"info", L"alias"}));
  EXPECT_FALSE((callSlot<bool()>(mail, 24)));
  callSlot<void()>(mail, 25);
  callSlot<void()>(mail, 22);  // release
}

}  // namespace
