#include <gtest/gtest.h>

#include <filesystem>

#include "mail_list_files.h"
#include "mailobjects/dravo_account.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
namespace fs = std::filesystem;

class MailListTest : public StandinTest {
 protected:
  void SetUp() override { DravoDomain(L"example.com", 0); }
  fs::path config(const std::wstring& relative) const { return fs::path(server.configPath()) / relative; }
  static StringList membersOf(DravoMailList& list) {
    StringList members;
    list.members(members);
    return members;
  }
  static std::wstring listFileValue(const std::wstring& name, const std::wstring& domain) {
    return DravoAccount(name, domain).getStrProp(listFileProperty());
  }
  template <class Call>
  static std::wstring failure(Call&& call) {
    try {
      call();
    } catch (const vexception& e) {
      return e.message();
    }
    return L"(no failure)";
  }
};

TEST_F(MailListTest, CreatedListIsAnAccountOfTypeOneWithoutAFile) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  DravoAccount account(L"news", L"example.com");
  EXPECT_EQ(account.type(), 1);
  EXPECT_EQ(account.getStrProp(L"U_Alias"), L"news");
  EXPECT_EQ(account.getStrProp(L"U_Comment"), L"Vanto mail list account");
  EXPECT_EQ(account.getStrProp(L"M_SendAllLists"), L"0");
  EXPECT_EQ(account.getStrProp(listFileProperty()), L"example.com\\news.txt");
  EXPECT_FALSE(fs::exists(config(L"example.com\\news.txt")));

  DravoMailList opened(L"news", L"example.com");
  EXPECT_EQ(opened.adminEMail(), L"owner@example.com");
  opened.adminEMail(L"boss@example.com");
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"boss@example.com");
  opened.enable(false);
  EXPECT_TRUE(opened.enabled()) << "lists cannot be switched off";

  DravoProvider provider;
  StringList lists, names;
  provider.mailLists(L"example.com", lists);
  provider.mailNames(L"example.com", names);
  EXPECT_EQ(lists, StringList{L"news"});
  EXPECT_TRUE(names.empty()) << "a list is not a mail name";
}

TEST_F(MailListTest, NeverWrittenListFile) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  EXPECT_TRUE(membersOf(list).empty());
  try {
    list.delMember(L"a@x.org");
    FAIL() << "the missing file is an error";
  } catch (const vosexception& e) {
    EXPECT_EQ(e.code(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  }
  list.addMember(L"a@x.org");
  EXPECT_EQ(fileBytes(config(L"example.com\\news.txt")), "a@x.org\r\n");

  // With no list file named at all, adding names the default one and removing fails plainly.
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"");
  EXPECT_EQ(failure([&] { list.delMember(L"a@x.org"); }), L"Run-Time error: Maillist is empty. Maillist name news");
  list.addMember(L"b@x.org");
  EXPECT_EQ(listFileValue(L"news", L"example.com"), L"example.com\\news.txt");
  EXPECT_EQ(membersOf(list), (StringList{L"a@x.org", L"b@x.org"}));
}

TEST_F(MailListTest, MembersAreLinesOfTheListFile) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  const fs::path file = config(L"example.com\\news.txt");
  list.addMember(L"a@x.org");
  list.addMember(L"b@x.org");
  list.addMember(L"a@x.org");
  EXPECT_EQ(fileBytes(file), "a@x.org\r\nb@x.org\r\na@x.org\r\n") << "no test for duplicates";
  list.delMember(L"a@x.org");
  EXPECT_EQ(fileBytes(file), "b@x.org\r\na@x.org\r\n") << "the first one only";

  SCOPED_TRACE("an absent member changes nothing");
  EXPECT_EQ(failure([&] { list.delMember(L"A@x.org"); }), L"Run-Time error: List does not contain A@x.org item");
  EXPECT_EQ(failure([&] { list.delMember(L"b@x.or"); }), L"Run-Time error: List does not contain b@x.or item");
  EXPECT_EQ(fileBytes(file), "b@x.org\r\na@x.org\r\n");

  SCOPED_TRACE("LF-only ends, blank lines and no final end read as a clean file");
  writeBytes(file, "\nb@x.org\n\n\r\na@x.org\r\n\r\nc@x.org");
  EXPECT_EQ(membersOf(list), (StringList{L"b@x.org", L"a@x.org", L"c@x.org"}));
  writeBytes(file, "b@x.org\r\nc@x.org");
  list.delMember(L"c@x.org");
  EXPECT_EQ(fileBytes(file), "b@x.org") << "the last line goes with the line end before it";

  SCOPED_TRACE("ANSI text");
  list.addMember(L"j\u00f6rg@x.org");
  EXPECT_EQ(fileBytes(file), "b@x.orgj\xf6rg@x.org\r\n") << "appended to the bytes as they were";
}

TEST_F(MailListTest, OnlyTheFirstOfSeveralListFileNamesIsUsed) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"example.com\\a.txt;example.com\\b.txt");
  writeBytes(config(L"example.com\\a.txt"), "a@x.org\r\n");
  writeBytes(config(L"example.com\\b.txt"), "b@x.org\r\n");
  EXPECT_EQ(membersOf(list), StringList{L"a@x.org"});
  list.addMember(L"c@x.org");
  EXPECT_EQ(fileBytes(config(L"example.com\\a.txt")), "a@x.org\r\nc@x.org\r\n");
  EXPECT_EQ(fileBytes(config(L"example.com\\b.txt")), "b@x.org\r\n");
}

TEST_F(MailListTest, ListOfADisabledDomainUsesTheSuffixedDirectory) {
  DravoMailList(L"news", L"example.com", L"owner@example.com").addMember(L"a@x.org");
  DravoDomain(L"example.com").enable(false);
  ASSERT_TRUE(fs::exists(config(L"example.com.d\\news.txt"))) << "the server keeps the domain's files there";

  DravoMailList list(L"news", L"example.com");
  EXPECT_EQ(membersOf(list), StringList{L"a@x.org"});
  list.addMember(L"b@x.org");
  EXPECT_EQ(fileBytes(config(L"example.com.d\\news.txt")), "a@x.org\r\nb@x.org\r\n");
  EXPECT_FALSE(fs::exists(config(L"example.com"))) << "nothing written under the plain name";

  SCOPED_TRACE("only a whole path component is the domain's directory");
  const std::wstring base = server.configPath() + L"\\";
  const auto resolved = [](const std::wstring& value, bool enabled) {
    return DravoMailList::resolveListFile(value, L"example.com", enabled);
  };
  EXPECT_EQ(resolved(L"example.com\\l.txt", true), base + L"example.com\\l.txt");
  EXPECT_EQ(resolved(L"example.com\\l.txt", false), base + L"example.com.d\\l.txt");
  EXPECT_EQ(resolved(L"myexample.com\\l.txt", false), base + L"myexample.com\\l.txt");
  EXPECT_EQ(resolved(L"example.com.old\\l.txt", false), base + L"example.com.old\\l.txt");
  EXPECT_EQ(resolved(L"lists\\example.com", false), base + L"lists\\example.com.d");
  EXPECT_EQ(resolved(L"C:\\lists\\example.com\\l.txt", false), L"C:\\lists\\example.com.d\\l.txt");
  EXPECT_EQ(resolved(L"", false), L"");
  EXPECT_EQ(resolved(L"myexample.com\\example.com\\l.txt", false), base + L"myexample.com\\example.com\\l.txt")
      << "the first occurrence decides";
}

TEST_F(MailListTest, RenameTakesTheDefaultListFileAlong) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  list.addMember(L"a@x.org");
  list.name(L"letters");
  EXPECT_EQ(list.name(), L"letters");
  EXPECT_FALSE(fs::exists(config(L"example.com\\news.txt")));
  EXPECT_EQ(fileBytes(config(L"example.com\\letters.txt")), "a@x.org\r\n");
  DravoAccount account(L"letters", L"example.com");
  EXPECT_EQ(account.getStrProp(L"U_Alias"), L"letters");
  EXPECT_EQ(account.getStrProp(listFileProperty()), L"example.com\\letters.txt");
  EXPECT_EQ(membersOf(list), StringList{L"a@x.org"});

  SCOPED_TRACE("a default name whose file was never written");
  DravoMailList empty(L"empty", L"example.com", L"owner@example.com");
  empty.name(L"blank");
  EXPECT_EQ(listFileValue(L"blank", L"example.com"), L"example.com\\blank.txt");
}

TEST_F(MailListTest, RenameLeavesAListFileOfAnotherName) {
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"shared\\members.txt");
  writeBytes(config(L"shared\\members.txt"), "a@x.org\r\n");
  list.name(L"letters");
  EXPECT_EQ(listFileValue(L"letters", L"example.com"), L"shared\\members.txt");
  EXPECT_EQ(fileBytes(config(L"shared\\members.txt")), "a@x.org\r\n");
  EXPECT_FALSE(fs::exists(config(L"example.com\\letters.txt")));
  EXPECT_EQ(membersOf(list), StringList{L"a@x.org"});
}

TEST_F(MailListTest, MoveCarriesPropertiesAndTheListFile) {
  DravoDomain(L"other.org", 0);
  DravoMailList list(L"news", L"example.com", L"owner@example.com");
  list.addMember(L"a@x.org");
  DravoAccount(L"news", L"example.com").setStrProp(L"M_ListSubject", L"[news]");
  DravoAccount(L"news", L"example.com").setStrProp(L"M_Personalized", L"1");
  list.domain(L"other.org");
  EXPECT_EQ(list.domain(), L"other.org");

  DravoAccount moved(L"news", L"other.org");
  EXPECT_EQ(moved.type(), 1);
  EXPECT_EQ(moved.getStrProp(L"M_OwnerAddress"), L"owner@example.com");
  EXPECT_EQ(moved.getStrProp(L"M_ListSubject"), L"[news]");
  EXPECT_EQ(moved.getStrProp(L"M_Personalized"), L"1");
  EXPECT_EQ(moved.getStrProp(listFileProperty()), L"other.org\\news.txt");
  EXPECT_EQ(fileBytes(config(L"other.org\\news.txt")), "a@x.org\r\n");
  EXPECT_FALSE(fs::exists(config(L"example.com\\news.txt")));
  EXPECT_THROW(DravoMailList(L"news", L"example.com"), vexception) << "the old account is gone";
  EXPECT_EQ(membersOf(list), StringList{L"a@x.org"});

  SCOPED_TRACE("into a disabled domain whose directory does not exist yet");
  DravoDomain(L"third.net", 0).enable(false);
  fs::remove_all(config(L"third.net.d"));
  list.domain(L"third.net");
  EXPECT_EQ(fileBytes(config(L"third.net.d\\news.txt")), "a@x.org\r\n");
  EXPECT_EQ(listFileValue(L"news", L"third.net"), L"third.net\\news.txt");
  EXPECT_EQ(membersOf(list), StringList{L"a@x.org"});
}

TEST_F(MailListTest, FailuresNameTheListAndLeaveFilesOnDisk) {
  EXPECT_EQ(failure([] { DravoMailList(L"none", L"example.com"); }),
            L"Run-Time error: DravoCOM.DomainObject.OpenAccount failed for name=none");
  EXPECT_EQ(failure([] { DravoMailList::remove(L"none", L"example.com"); }),
            L"Run-Time error: DravoCOM.DomainObject.DeleteAccount failed for name=none");
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(failure([] { DravoMailList(L"news", L"example.com", L"owner@example.com"); }),
            L"Run-Time error: DravoCOM.AccountObject.Save failed for name=news and domain example.com [example.com]");

  DravoMailList list(L"letters", L"example.com", L"owner@example.com");
  list.addMember(L"a@x.org");
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(failure([&] { list.name(L"news"); }),
            L"Run-Time error: DravoCOM.AccountObject.Save failed to rename letters to news");
  EXPECT_EQ(list.name(), L"letters") << "the object keeps its name until the server took the change";
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(failure([&] { list.adminEMail(L"x@y.z"); }),
            L"Run-Time error: DravoCOM.AccountObject.Save failed to set admin email. Maillist name letters");

  DravoMailList::remove(L"letters", L"example.com");
  StringList lists;
  DravoProvider().mailLists(L"example.com", lists);
  EXPECT_TRUE(lists.empty()) << "the list whose creation failed was never saved as a list";
  EXPECT_TRUE(fs::exists(config(L"example.com\\news.txt")))
      << "the failed rename had moved the file already, and removal leaves it";
}

}  // namespace
