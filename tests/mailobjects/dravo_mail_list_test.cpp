// Mailing lists: members in the list file, disabled domains, renames and moves, and failures
// that leave the file on disk.

#include <gtest/gtest.h>

#include <functional>

#include "mail_objects_test.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "platform/caught.h"
#include "provider/dravo_provider.h"

namespace {

using namespace Dravo;

class MailListTest : public MailObjectsTest {
 protected:
  static StringList membersOf(DravoMailList& list) {
    StringList members;
    return list.members(members), members;
  }
  static std::wstring listFile(const std::wstring& name, const std::wstring& domain = L"example.com") {
    return DravoAccount(name, domain).getStrProp(listFileProperty());
  }
  DravoMailList list{L"news", L"example.com", L"owner@example.com"};
  const fs::path file = configDir(L"example.com\\news.txt");
};

TEST_F(MailListTest, MembersAreLinesOfTheListFileWrittenOnlyWhenNeeded) {
  EXPECT_EQ(listFile(L"news"), L"example.com\\news.txt");
  EXPECT_TRUE(!fs::exists(file) && membersOf(list).empty());
  StringList lists, names;
  DravoProvider().mailLists(L"example.com", lists), DravoProvider().mailNames(L"example.com", names);
  EXPECT_EQ(std::pair(lists, names), std::pair(StringList{L"news"}, StringList{})) << "a list is not a mail name";
  EXPECT_EQ(raised<vosexception>([&] { list.delMember(L"a@x.org"); }).substr(0, 8), L"Error 2 ") << "the file was never written";
  for (const wchar_t* member : {L"a@x.org", L"b@x.org", L"a@x.org"}) list.addMember(member);
  EXPECT_EQ(fileBytes(file), "a@x.org\r\nb@x.org\r\na@x.org\r\n") << "no test for duplicates";
  list.delMember(L"a@x.org");
  EXPECT_EQ(fileBytes(file), "b@x.org\r\na@x.org\r\n") << "the first one only";
  EXPECT_EQ(raised([&] { list.delMember(L"A@x.org"); }), L"Run-Time error: List does not contain A@x.org item @ Dravo::delFromStrList");
  EXPECT_NE(raised([&] { list.delMember(L"b@x.or"); }), L"<no failure>");
  EXPECT_EQ(fileBytes(file), "b@x.org\r\na@x.org\r\n") << "an absent member changes nothing";
  writeBytes(file, "\nb@x.org\n\n\r\na@x.org\r\n\r\nc@x.org");
  EXPECT_EQ(membersOf(list), (StringList{L"b@x.org", L"a@x.org", L"c@x.org"})) << "LF ends, blank lines, no final end";
  writeBytes(file, "b@x.org\r\nc@x.org");
  list.delMember(L"c@x.org");
  EXPECT_EQ(fileBytes(file), "b@x.org") << "the last line goes with the line end before it";
  list.addMember(L"j\u00f6rg@x.org");
  EXPECT_EQ(fileBytes(file), "b@x.orgj\xf6rg@x.org\r\n") << "ANSI, appended to the bytes as they were";
  // With no list file named at all, removing fails plainly and adding names the default one.
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"");
  EXPECT_EQ(raised([&] { list.delMember(L"a@x.org"); }), L"Run-Time error: Maillist is empty. Maillist name news @ Dravo::DravoMailList::delMember");
  list.addMember(L"z@x.org");
  EXPECT_EQ(listFile(L"news"), L"example.com\\news.txt");
  // Of several list file names only the first is used.
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"example.com\\news.txt;example.com\\b.txt");
  writeBytes(configDir(L"example.com\\b.txt"), "b@x.org\r\n");
  list.addMember(L"c@x.org");
  EXPECT_EQ(fileBytes(configDir(L"example.com\\b.txt")), "b@x.org\r\n");
}

TEST_F(MailListTest, ListOfADisabledDomainUsesTheSuffixedDirectory) {
  list.addMember(L"a@x.org");
  DravoDomain(L"example.com").enable(false);
  DravoMailList(L"news", L"example.com").addMember(L"b@x.org");
  EXPECT_EQ(fileBytes(configDir(L"example.com.d\\news.txt")), "a@x.org\r\nb@x.org\r\n");
  EXPECT_FALSE(fs::exists(configDir(L"example.com"))) << "nothing written under the plain name";
  // Only a whole path component is the domain's directory; the first occurrence decides.
  const std::wstring base = server.configPath() + L"\\";
  const std::tuple<const wchar_t*, bool, std::wstring> cases[] = {
      {L"example.com\\l.txt", true, base + L"example.com\\l.txt"}, {L"example.com\\l.txt", false, base + L"example.com.d\\l.txt"},
      {L"myexample.com\\l.txt", false, base + L"myexample.com\\l.txt"}, {L"example.com.old\\l.txt", false, base + L"example.com.old\\l.txt"},
      {L"lists\\example.com", false, base + L"lists\\example.com.d"}, {L"C:\\lists\\example.com\\l.txt", false, L"C:\\lists\\example.com.d\\l.txt"},
      {L"", false, L""}, {L"myexample.com\\example.com\\l.txt", false, base + L"myexample.com\\example.com\\l.txt"}};
  for (const auto& [value, enabled, path] : cases) EXPECT_EQ(DravoMailList::resolveListFile(value, L"example.com", enabled), path) << value;
}

TEST_F(MailListTest, RenameTakesTheDefaultListFileAlongAndLeavesAnother) {
  list.addMember(L"a@x.org");
  list.name(L"letters");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(fileBytes(configDir(L"example.com\\letters.txt")), "a@x.org\r\n");
  EXPECT_EQ(DravoAccount(L"letters", L"example.com").getStrProp(L"U_Alias") + L"|" + listFile(L"letters"), L"letters|example.com\\letters.txt");
  DravoMailList(L"empty", L"example.com", L"owner@example.com").name(L"blank");
  EXPECT_EQ(listFile(L"blank"), L"example.com\\blank.txt") << "a default name whose file was never written";
  DravoAccount(L"letters", L"example.com").setStrProp(listFileProperty(), L"shared\\members.txt");
  list.name(L"news");
  EXPECT_EQ(listFile(L"news"), L"shared\\members.txt");
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(MailListTest, MoveCarriesPropertiesAndTheListFileAlsoIntoADisabledDomain) {
  list.addMember(L"a@x.org");
  // A move to a domain that is not there fails and leaves the list where it was, its list
  // file found as before, from an enabled and from a disabled domain.
  const auto failedMoveKeepsTheList = [&] {
    EXPECT_EQ(raised([&] { list.domain(L"missing.org"); }),
              L"Run-Time error: DravoCOM.APIObject.OpenDomain failed for name=missing.org [missing.org]"
              L" @ Dravo::openDomain");
    EXPECT_EQ(membersOf(list), StringList{L"a@x.org"}) << "in " << testing::PrintToString(list.domain());
  };
  failedMoveKeepsTheList();
  DravoAccount(L"news", L"example.com").setStrProp(L"M_ListSubject", L"[news]");
  list.domain(L"other.org");
  DravoAccount moved(L"news", L"other.org");
  EXPECT_EQ(std::pair(moved.type(), moved.getStrProp(L"M_OwnerAddress")), std::pair(1L, std::wstring(L"owner@example.com")));
  EXPECT_EQ(moved.getStrProp(L"M_ListSubject") + L"|" + listFile(L"news", L"other.org"), L"[news]|other.org\\news.txt");
  EXPECT_EQ(fileBytes(configDir(L"other.org\\news.txt")), "a@x.org\r\n");
  EXPECT_FALSE(fs::exists(file));
  EXPECT_NE(raised([] { DravoMailList(L"news", L"example.com"); }), L"<no failure>") << "the old account is gone";
  DravoDomain(L"third.net", 0).enable(false);
  fs::remove_all(configDir(L"third.net.d"));
  list.domain(L"third.net");
  EXPECT_EQ(fileBytes(configDir(L"third.net.d\\news.txt")), "a@x.org\r\n");
  EXPECT_EQ(listFile(L"news", L"third.net"), L"third.net\\news.txt");
  failedMoveKeepsTheList();
}

TEST_F(MailListTest, FailuresNameTheListAndLeaveFilesOnDisk) {
  const std::wstring error = L"Run-Time error: DravoCOM.", at = L" @ Dravo::DravoMailList::";
  // Opening, creating and removing fail with the texts the mail names' tests check.
  EXPECT_EQ(raised([] { DravoMailList(L"none", L"example.com"); }), error + L"DomainObject.OpenAccount failed for name=none" + at + L"DravoMailList");
  list.addMember(L"a@x.org");
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(raised([&] { list.name(L"letters"); }), error + L"AccountObject.Save failed to rename news to letters" + at + L"name");
  EXPECT_EQ(list.name(), L"news") << "the object keeps its name until the server took the change";
  server.failLastErr(L"Save", 1, -5);
  EXPECT_EQ(raised([&] { list.adminEMail(L"x@y.z"); }), error + L"AccountObject.Save failed to set admin email. Maillist name news" + at + L"adminEMail");
  DravoMailList::remove(L"news", L"example.com");
  EXPECT_TRUE(fs::exists(configDir(L"example.com\\letters.txt"))) << "the failed rename had moved the file already, and removal leaves it";
}

// The steps of adding and removing a member before the member file is written (its write is
// swept with the list files): each failure names its step and the file keeps every member.
TEST_F(MailListTest, AddingAndRemovingFailBeforeTheWriteKeepingTheFile) {
  const std::wstring path = file.wstring(), opening = L"Open file '" + path + L"'";
  const std::string members = "a@x.org\r\nb@x.org\r\n";
  const std::function<void()> changes[] = {[&] { list.addMember(L"c@x.org"); }, [&] { list.delMember(L"a@x.org"); }};
  for (const auto& change : changes) {
    writeBytes(path, members);
    server.failInvoke(L"GetProperty", 1, E_FAIL, L"store offline");  // the file's name
    EXPECT_EQ(anyFailureText(change), L"COM Error 80004005 (Call failed., store offline)");
    {
      const FileHandle held(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
      EXPECT_EQ(failureText(change), osText(ERROR_SHARING_VIOLATION, opening) + at("VFile::open", 87));
    }
    EXPECT_EQ(fileBytes(path), members);
  }
  // The list's file named anew, and the server refusing to save the name: nothing is written.
  fs::remove(path);
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"");
  server.failLastErr(L"Save", 1, -1);
  EXPECT_EQ(raised(changes[0]), L"Run-Time error: DravoCOM.AccountObject.Save failed to add member. Maillist name news @ Dravo::DravoMailList::addMember");
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
