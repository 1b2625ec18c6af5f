// Saving the mail server into the archive and loading it back, through the provider and
// the stand-in mail server. Damaged and hostile archives are the mutation sweep's.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "archive/archive_files.h"
#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "archive/xml_document.h"
#include "archive/xml_mail_storage.h"
#include "mailobjects/dravo_account.h"
#include "platform/scratch_dir.h"
#include "provider/dravo_provider.h"
#include "support/standin_server.h"

namespace {

using Dravo::DravoAccount;
using Files = std::map<std::wstring, std::string>;

class ArchiveRoundTrip : public StandinTest {
 protected:
  Dravo::DravoProvider provider;
  ScratchDir scratch;
  std::wstring archiveRoot = scratch / L"tmp\\_MailArchive";

  std::wstring mail(const std::wstring& relative) const { return server.mailPath() + L"\\" + relative; }
  void addMailNames(const std::wstring& domain, std::initializer_list<const wchar_t*> names) {
    provider.createDomain(domain, 0)->release();
    for (const wchar_t* name : names) provider.createMailName(name, domain, 0)->release();
  }
  std::wstring mailboxPath(const std::wstring& name, const std::wstring& domain) { return DravoAccount(name, domain).getStrProp(L"U_MailBoxPath"); }
  void save() {
    MailArchive archive(true, archiveRoot);
    MailTransporter(provider, archive).saveMail();
  }
  void load(bool continueOnError = false) {
    MailArchive archive(false, archiveRoot);
    MailTransporter transporter(provider, archive);
    transporter.continueOnError = continueOnError;
    transporter.loadMail();
  }
  // Writes an archive by hand: info.xml with the given text and the stored trees.
  void handArchive(const std::string& infoXml, const Files& stored = {}) {
    std::error_code ignored;
    std::filesystem::remove_all(archiveRoot, ignored);
    for (const auto& [relative, bytes] : stored) writeBytes(archiveRoot + L"\\" + relative, bytes);
    writeBytes(archiveRoot + L"\\info.xml", infoXml);
  }
};

TEST_F(ArchiveRoundTrip, MailboxesAndAttachmentsComeBackByteForByte) {
  addMailNames(L"example.com", {L"john", L"mary"});
  addMailNames(L"gone.org", {L"bob"});
  provider.maxLetterSize(777216);
  const Files files = {{L"example.com\\john\\inbox\\1.eml", randomBytes(300000, 1)},
                       {L"example.com\\john\\inbox\\Attachments\\deep.bin", randomBytes(5000, 2)},
                       {L"example.com\\john\\Attachments\\photo.jpg", randomBytes(70000, 3)},
                       {L"example.com\\john\\empty.eml", ""},
                       {L"example.com\\mary\\2.eml", "Subject: hi\r\n\r\nbody\r\n"}};
  for (const auto& [relative, bytes] : files) writeBytes(mail(relative), bytes);
  std::filesystem::create_directories(mail(L"example.com\\mary\\nothing\\inside"));
  writeBytes(mail(L"gone.org\\bob\\3.eml"), "not restored");

  // Where each part lands in the archive is pinned by the host's dump log and the tree copy.
  save();
  SCOPED_TRACE("wipe the mail, drop one domain, bring the other back under other letter case");
  std::error_code ignored;
  std::filesystem::remove_all(server.mailPath(), ignored);  // the stand-in never writes below it: the test owns it
  CreateDirectoryW(server.mailPath().c_str(), nullptr);
  provider.removeDomain(L"gone.org");
  provider.removeDomain(L"example.com");
  addMailNames(L"EXAMPLE.COM", {L"JOHN", L"Mary"});
  provider.maxLetterSize(1024);
  load();

  for (const auto& [relative, bytes] : files) EXPECT_EQ(ScratchDir::content(mail(relative)), bytes) << testing::PrintToString(relative);
  EXPECT_FALSE(ScratchDir::exists(mail(L"gone.org")));
  EXPECT_EQ(provider.maxLetterSize(), 777216);
  EXPECT_EQ(mailboxPath(L"john", L"example.com"), L"example.com\\john");
  EXPECT_FALSE(ScratchDir::exists(archiveRoot)) << "a loaded archive is removed";
}

// The elements of each mailbox are pinned by the host-side conformance program; here the
// description's root, the settings it carries and a mailbox kept outside the mail directory.
TEST_F(ArchiveRoundTrip, DescriptionRootSettingsAndAbsoluteMailbox) {
  addMailNames(L"a.org", {L"amy"});
  DravoAccount(L"amy", L"a.org").setStrProp(L"U_MailBoxPath", scratch / L"elsewhere\\amy");
  writeBytes(scratch / L"elsewhere\\amy\\1.eml", "absolute mailbox path");
  provider.maxLetterSize(4096);
  save();
  ComPtr<IXMLDOMDocument> document = vxmlLoad(archiveRoot + L"\\info.xml", true, false);
  MailArchive reading(true, scratch / L"unused");
  XmlStorageReader root(documentElement(*document.get()), reading);
  ReaderOwner settings(root.firstChild(L"mail_settings"));
  ASSERT_TRUE(settings);
  EXPECT_EQ(root.getAttribute(L"version") + L" " + settings->getAttribute(L"max_letter_size"), L"7.5.1 4096");
  EXPECT_EQ(ScratchDir::content(archiveRoot + L"\\mail amy@a.org\\1.eml"), "absolute mailbox path");
}

TEST_F(ArchiveRoundTrip, AbsentEmptyOrRootlessDescriptionRestoresNothing) {
  addMailNames(L"example.com", {});
  for (const char* content : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(content ? "empty info.xml" : "no info.xml");
    handArchive("", {{L"mail john@example.com\\1.eml", "stored"}});
    if (!content) DeleteFileW((archiveRoot + L"\\info.xml").c_str());
    server.clearJournal();
    load();
    EXPECT_EQ(server.calls(), std::vector<std::wstring>{});
    EXPECT_FALSE(ScratchDir::exists(mail(L"example.com")));
    EXPECT_FALSE(ScratchDir::exists(archiveRoot));
  }
  handArchive("<archive version=\"7.5.1\"/>");
  EXPECT_EQ(raised([&] { load(); }), L"Run-Time error: Incorrect XML file structure. Root tag 'kvxarchive' not found. @ vexilor::MailTransporter::loadMail");
}

// A mailbox stored by the Dravo server at 1.0 (or with no version) comes back whole; the
// host-side conformance program pins that. Here: another server, and an unknown version,
// which stops the load unless it is told to continue.
TEST_F(ArchiveRoundTrip, VersionAndServerDecideWhatIsRestored) {
  addMailNames(L"example.com", {L"mary", L"vic", L"zoe"});
  DravoAccount(L"mary", L"example.com").setStrProp(L"U_MailBoxPath", L"kept\\mary");
  const std::string xml =
      "<kvxarchive version=\"7.5.1\"><domain name=\"Example.COM\"><mail name=\"mary\" Version=\"1.0\" Server=\"Other\"/>"
      "<mail name=\"VIC\" Version=\"2.0\" Server=\"Dravo\"/><mail name=\"zoe\" Version=\"1.0\" Server=\"Dravo\"/></domain></kvxarchive>";
  const Files stored = {{L"mail mary@example.com\\m.eml", "mailbox"}, {L"attachments mary@example.com\\a.bin", "attachment"},
                        {L"mail vic@example.com\\m.eml", "mailbox"}, {L"attachments vic@example.com\\a.bin", "attachment"},
                        {L"mail zoe@Example.COM\\z.eml", "zoe's mail"}};
  handArchive(xml, stored);
  EXPECT_EQ(raised([&] { load(); }), L"Run-Time error: Can't restore mail box. Unknown version 2.0 @ Dravo::DravoProvider::restoreMailBox");
  EXPECT_EQ(ScratchDir::content(mail(L"Example.COM\\zoe\\z.eml")), "<missing>") << "the unknown version stopped the load";
  SCOPED_TRACE("another Server: the attachments only, the mailbox path unchanged");
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\mary\\m.eml")), "<missing>");
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\mary\\Attachments\\a.bin")), "attachment");
  EXPECT_EQ(mailboxPath(L"mary", L"example.com"), L"kept\\mary");
  SCOPED_TRACE("an unknown version restores nothing of that mailbox");
  EXPECT_FALSE(ScratchDir::exists(mail(L"example.com\\vic")));
  handArchive(xml, stored);
  load(true);
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\zoe\\z.eml")), "zoe's mail");
}

}  // namespace
