#include <gtest/gtest.h>

#include <filesystem>

#include "mail_list_files.h"
#include "mailobjects/dravo_account.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/dravo_mail_list.h"
#include "mailobjects/list_file_property.h"
#include "memory_storage.h"
#include "platform/exceptions.h"
#include "provider/dravo_provider.h"
#include "support/standin_server.h"

namespace {

using namespace Dravo;
namespace fs = std::filesystem;
using Attributes = std::vector<std::pair<std::wstring, std::wstring>>;

class MailListArchiveTest : public StandinTest {
 protected:
  void SetUp() override {
    DravoDomain(L"example.com", 0);
    DravoMailList(L"news", L"example.com", L"owner@example.com");
  }
  fs::path listFile() const { return fs::path(server.configPath()) / L"example.com" / L"news.txt"; }
  static StringList members() {
    StringList found;
    DravoMailList(L"news", L"example.com").members(found);
    return found;
  }
  // A "maillist" element with the given attributes and one "listmember" per address.
  static MemoryStorage element(const Attributes& attributes, const StringList& addresses) {
    MemoryStorage storage(L"maillist");
    for (const auto& [name, value] : attributes) storage.setAttribute(name, value);
    for (const std::wstring& address : addresses) {
      WriterOwner member(storage.createChild(L"listmember"));
      member->setAttribute(L"email", address);
      storage.appendChild(*member);
    }
    return storage;
  }
};

TEST_F(MailListArchiveTest, DumpWritesOwnerAndMembersInFileOrder) {
  MemoryStorage empty(L"maillist");
  DravoMailList(L"news", L"example.com").dump(empty);
  EXPECT_EQ(empty.element().attributes,
            (Attributes{{L"Version", L"1.0"}, {L"Server", L"Dravo"}, {L"adminEmail", L"owner@example.com"}}))
      << "a list file never written gives the three attributes only";
  EXPECT_TRUE(empty.element().children.empty());

  writeBytes(listFile(), "b@x.org\nj\xf6rg@x.org\r\n\r\nb@x.org");
  MemoryStorage dumped(L"maillist");
  DravoProvider().dumpMailList(dumped, L"example.com", L"news");
  StringList emails;
  for (const auto& child : dumped.element().children) {
    EXPECT_EQ(child->tag, L"listmember");
    ASSERT_EQ(child->attributes.size(), 1u);
    EXPECT_EQ(child->attributes[0].first, L"email");
    emails.push_back(child->attributes[0].second);
  }
  EXPECT_EQ(emails, (StringList{L"b@x.org", L"j\u00f6rg@x.org", L"b@x.org"}));
}

TEST_F(MailListArchiveTest, RoundTripBringsOwnerAndMembersBack) {
  {
    DravoMailList list(L"news", L"example.com");
    for (const wchar_t* address : {L"a@x.org", L"b@x.org", L"a@x.org", L"j\u00f6rg@x.org"}) list.addMember(address);
  }
  const std::string original = fileBytes(listFile());
  MemoryStorage dumped(L"maillist");
  DravoProvider provider;
  provider.dumpMailList(dumped, L"example.com", L"news");

  provider.removeMailList(L"news", L"example.com");
  fs::remove(listFile());
  DravoMailList(L"news", L"example.com", L"someone@else.org").addMember(L"stale@x.org");
  DravoAccount(L"news", L"example.com").setStrProp(listFileProperty(), L"elsewhere\\news.txt");

  provider.restoreMailList(dumped, L"example.com", L"news");
  EXPECT_EQ(fileBytes(listFile()), original) << "the file is replaced, byte for byte";
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"owner@example.com");
  EXPECT_EQ(DravoAccount(L"news", L"example.com").getStrProp(listFileProperty()), L"example.com\\news.txt");
  EXPECT_EQ(members(), (StringList{L"a@x.org", L"b@x.org", L"a@x.org", L"j\u00f6rg@x.org"}));

  SCOPED_TRACE("a list of a disabled domain");
  DravoDomain(L"example.com").enable(false);
  MemoryStorage again = element({{L"Version", L"1.0"}, {L"Server", L"Dravo"}}, {L"c@x.org"});
  DravoMailList(L"news", L"example.com").restore(again);
  EXPECT_EQ(fileBytes(fs::path(server.configPath()) / L"example.com.d" / L"news.txt"), "c@x.org\r\n");
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"") << "an absent attribute reads empty";
}

TEST_F(MailListArchiveTest, BracketedAddressesOfVersionlessArchives) {
  MemoryStorage foreign = element({{L"Server", L"Velmar"}, {L"adminEmail", L"boss@example.com"}},
                                  {L"[SMTP:a@x.org]", L"b@x.org", L"[SMTP:]", L"[smtp:c@x.org]"});
  DravoMailList(L"news", L"example.com").restore(foreign);
  EXPECT_EQ(fileBytes(listFile()), "a@x.org\r\nb@x.org\r\n\r\n[smtp:c@x.org]\r\n");
  EXPECT_EQ(members(), (StringList{L"a@x.org", L"b@x.org", L"[smtp:c@x.org]"}));
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"boss@example.com");

  MemoryStorage versioned = element({{L"Server", L"Velmar"}, {L"Version", L"1.0"}}, {L"[SMTP:a@x.org]"});
  DravoMailList(L"news", L"example.com").restore(versioned);
  EXPECT_EQ(members(), StringList{L"[SMTP:a@x.org]"}) << "with a version the value is used as it stands";

  MemoryStorage bare = element({}, {L"[SMTP:d@x.org]"});
  DravoMailList(L"news", L"example.com").restore(bare);
  EXPECT_EQ(members(), StringList{L"d@x.org"}) << "no Server and no Version";
}

TEST_F(MailListArchiveTest, ForeignServerOrUnknownVersionChangesNothing) {
  DravoMailList(L"news", L"example.com").addMember(L"kept@x.org");
  const std::string before = fileBytes(listFile());

  MemoryStorage foreign = element({{L"Server", L"Other"}, {L"adminEmail", L"x@y.z"}}, {L"a@x.org"});
  server.clearJournal();
  DravoMailList(L"news", L"example.com").restore(foreign);
  EXPECT_EQ(server.count(L"Account.Save()"), 0u);
  EXPECT_EQ(fileBytes(listFile()), before);

  for (const wchar_t* version : {L"2.0", L"1.00", L"1.0 "}) {
    SCOPED_TRACE(version);
    MemoryStorage newer = element({{L"Server", L"Dravo"}, {L"Version", version}, {L"adminEmail", L"x@y.z"}},
                                  {L"a@x.org"});
    try {
      DravoMailList(L"news", L"example.com").restore(newer);
      ADD_FAILURE() << "an unknown version is refused";
    } catch (const vexception& e) {
      EXPECT_EQ(e.message(), L"Run-Time error: Can't restore mail list. Unknown version " + std::wstring(version));
      EXPECT_EQ(e.trace().front().function, "Dravo::DravoMailList::restore");
    }
  }
  EXPECT_EQ(fileBytes(listFile()), before);
  EXPECT_EQ(DravoMailList(L"news", L"example.com").adminEMail(), L"owner@example.com");
}

}  // namespace
