// Saving the mail server into the archive and loading it back, through the provider and
// the stand-in mail server.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "archive/archive_files.h"
#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "archive/xml_document.h"
#include "archive/xml_mail_storage.h"
#include "mailobjects/dravo_account.h"
#include "platform/com_error.h"
#include "platform/scratch_dir.h"
#include "provider/dravo_provider.h"
#include "support/standin_server.h"

namespace {

using Dravo::DravoAccount;
using Dravo::DravoProvider;
using Files = std::map<std::wstring, std::string>;

class ArchiveRoundTrip : public StandinTest {
 protected:
  DravoProvider provider;
  ScratchDir scratch;
  std::wstring archiveRoot = scratch / L"tmp\\_MailArchive";
  std::error_code ignored;

  std::wstring mail(const std::wstring& relative) const { return server.mailPath() + L"\\" + relative; }

  void addDomain(const std::wstring& domain) { provider.createDomain(domain, 0)->release(); }
  void addMailName(const std::wstring& name, const std::wstring& domain) {
    provider.createMailName(name, domain, 0)->release();
  }
  void put(Files& files, const std::wstring& relative, const std::string& bytes) {
    files[relative] = bytes;
    writeBytes(mail(relative), bytes);
  }
  std::wstring mailboxPath(const std::wstring& name, const std::wstring& domain) {
    return DravoAccount(name, domain).getStrProp(L"U_MailBoxPath");
  }
  void save() {
    MailArchive archive(true, archiveRoot);
    MailTransporter(provider, archive).saveMail();
  }
  void load() {
    MailArchive archive(false, archiveRoot);
    MailTransporter(provider, archive).loadMail();
  }
  void wipeMail() {
    // The stand-in never writes below its mail directory: the test owns it.
    std::filesystem::remove_all(server.mailPath(), ignored);
    CreateDirectoryW(server.mailPath().c_str(), nullptr);
  }
  // Writes an archive by hand: info.xml with the given text and the stored trees.
  void handArchive(const std::string& infoXml, const Files& stored = {}) {
    std::filesystem::remove_all(archiveRoot, ignored);
    for (const auto& [relative, bytes] : stored) writeBytes(archiveRoot + L"\\" + relative, bytes);
    writeBytes(archiveRoot + L"\\info.xml", infoXml);
  }
};

TEST_F(ArchiveRoundTrip, MailboxesAndAttachmentsComeBackByteForByte) {
  addDomain(L"example.com");
  addMailName(L"john", L"example.com");
  addMailName(L"mary", L"example.com");
  addDomain(L"gone.org");
  addMailName(L"bob", L"gone.org");
  provider.maxLetterSize(777216);
  Files files;
  put(files, L"example.com\\john\\inbox\\1.eml", randomBytes(300000, 1));
  put(files, L"example.com\\john\\inbox\\Attachments\\deep.bin", randomBytes(5000, 2));
  put(files, L"example.com\\john\\Attachments\\photo.jpg", randomBytes(70000, 3));
  put(files, L"example.com\\john\\empty.eml", "");
  put(files, L"example.com\\mary\\2.eml", "Subject: hi\r\n\r\nbody\r\n");
  std::filesystem::create_directories(mail(L"example.com\\mary\\nothing\\inside"));
  writeBytes(mail(L"gone.org\\bob\\3.eml"), "not restored");

  // Where each part lands in the archive is pinned by the host's dump log and the tree copy.
  save();
  SCOPED_TRACE("wipe the mail, drop one domain, bring the other back under other letter case");
  wipeMail();
  provider.removeDomain(L"gone.org");
  provider.removeDomain(L"example.com");
  addDomain(L"EXAMPLE.COM");
  addMailName(L"JOHN", L"EXAMPLE.COM");
  addMailName(L"Mary", L"EXAMPLE.COM");
  provider.maxLetterSize(1024);
  load();

  for (const auto& [relative, bytes] : files) {
    SCOPED_TRACE(testing::PrintToString(relative));
    EXPECT_EQ(ScratchDir::content(mail(relative)), bytes);
  }
  EXPECT_FALSE(ScratchDir::exists(mail(L"gone.org")));
  EXPECT_EQ(provider.maxLetterSize(), 777216);
  EXPECT_EQ(mailboxPath(L"john", L"example.com"), L"example.com\\john");
  EXPECT_FALSE(ScratchDir::exists(archiveRoot)) << "a loaded archive is removed";
}

// The elements of each mailbox are pinned by the host-side conformance program; here the
// description's root, the settings it carries and a mailbox kept outside the mail directory.
TEST_F(ArchiveRoundTrip, DescriptionRootSettingsAndAbsoluteMailbox) {
  addDomain(L"a.org");
  addMailName(L"amy", L"a.org");
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

TEST_F(ArchiveRoundTrip, AbsentOrEmptyDescriptionRestoresNothing) {
  addDomain(L"example.com");
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
}

// A mailbox stored by the Dravo server at 1.0 (or with no version) comes back whole; the
// host-side conformance program pins that. Here: another server, and an unknown version.
TEST_F(ArchiveRoundTrip, VersionAndServerDecideWhatIsRestored) {
  addDomain(L"example.com");
  addMailName(L"mary", L"example.com");
  addMailName(L"vic", L"example.com");
  DravoAccount(L"mary", L"example.com").setStrProp(L"U_MailBoxPath", L"kept\\mary");
  handArchive(
      "<kvxarchive version=\"7.5.1\"><domain name=\"example.com\"><mail name=\"mary\" Version=\"1.0\" "
      "Server=\"Other\"/><mail name=\"vic\" Version=\"2.0\" Server=\"Dravo\"/></domain></kvxarchive>",
      {{L"mail mary@example.com\\m.eml", "mailbox"}, {L"attachments mary@example.com\\a.bin", "attachment"},
       {L"mail vic@example.com\\m.eml", "mailbox"}, {L"attachments vic@example.com\\a.bin", "attachment"}});
  const std::wstring unknown = L"Run-Time error: Can't restore mail box. Unknown version 2.0 @ ";
  EXPECT_EQ(raised([&] { load(); }).substr(0, unknown.size()), unknown);
  SCOPED_TRACE("another Server: the attachments only, the mailbox path unchanged");
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\mary\\m.eml")), "<missing>");
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\mary\\Attachments\\a.bin")), "attachment");
  EXPECT_EQ(mailboxPath(L"mary", L"example.com"), L"kept\\mary");
  SCOPED_TRACE("an unknown version restores nothing of that mailbox");
  EXPECT_FALSE(ScratchDir::exists(mail(L"example.com\\vic")));
}

TEST_F(ArchiveRoundTrip, LoadStopsAtFirstFailureUnlessToldToContinue) {
  addDomain(L"example.com");
  addMailName(L"vic", L"example.com");
  addMailName(L"zoe", L"example.com");
  const std::string xml =
      "<kvxarchive version=\"7.5.1\"><domain name=\"Example.COM\">"
      "<mail name=\"VIC\" Version=\"3\"/><mail name=\"zoe\" Version=\"1.0\" Server=\"Dravo\"/>"
      "</domain></kvxarchive>";
  const Files stored = {{L"mail zoe@Example.COM\\z.eml", "zoe's mail"}};
  handArchive(xml, stored);
  EXPECT_NE(raised([&] { load(); }), L"<no failure>") << "the unknown version stops the load";
  EXPECT_EQ(ScratchDir::content(mail(L"Example.COM\\zoe\\z.eml")), "<missing>");

  handArchive(xml, stored);
  {
    MailArchive archive(false, archiveRoot);
    MailTransporter transporter(provider, archive);
    transporter.continueOnError = true;
    transporter.loadMail();
  }
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\zoe\\z.eml")), "zoe's mail");

  handArchive("<archive version=\"7.5.1\"/>");
  EXPECT_EQ(raised([&] { load(); }), L"Run-Time error: Incorrect XML file structure. Root tag 'kvxarchive' not "
                                     L"found. @ vexilor::MailTransporter::loadMail");
}

// Damaged saved descriptions: every load ends in the module's exceptions or
// finishes, and writes nothing but the mail directories.
TEST_F(ArchiveRoundTrip, MutatedDescriptionsFailCleanly) {
  addDomain(L"example.com");
  addMailName(L"john", L"example.com");
  addMailName(L"mary", L"example.com");
  writeBytes(mail(L"example.com\\john\\1.eml"), "one");
  writeBytes(mail(L"example.com\\john\\Attachments\\a.bin"), "two");
  provider.maxLetterSize(2048000);  // the server's own settings file exists from here on
  const std::wstring outside = scratch / L"outside";
  writeBytes(outside + L"\\sentinel.txt", "untouched");
  save();
  const std::string pristine = ScratchDir::content(archiveRoot + L"\\info.xml");
  const Files stored = {{L"mail john@example.com\\1.eml", "one"},
                        {L"attachments john@example.com\\a.bin", "two"}};
  ASSERT_NE(pristine.find("kvxarchive"), std::string::npos);

  const auto before = ScratchDir::tree(server.root());
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string text = pristine;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
  };
  const std::string hostile[] = {
      pristine.substr(0, pristine.size() / 2), pristine + "<kvxarchive>", std::string("\xff\xfe") + pristine,
      replaced("<kvxarchive", "<!DOCTYPE x SYSTEM \"file:///c:/nowhere.dtd\"><kvxarchive"),
      replaced("\"2048000\"", "\"99999999999\""), replaced("\"2048000\"", "\"nine\""),
      replaced("name=\"john\"", "name=\"..\\..\\outside\""), replaced("name=\"john\"", "name=\"\""),
      replaced("Version=\"1.0\"", "Version=\"1.00\""), replaced("</domain>", "")};
  int failed = 0, finished = 0;
  for (const std::string& text : hostile) {
    SCOPED_TRACE(text);
    handArchive(text, stored);
    try {
      load();
      ++finished;
    } catch (const vexception&) {
      ++failed;
    } catch (const ComError&) {
      ++failed;
    } catch (...) {
      ADD_FAILURE() << "a failure outside the module's exceptions";
    }
    EXPECT_FALSE(ScratchDir::exists(archiveRoot)) << "the archive is consumed either way";
  }
  EXPECT_GT(failed, 0);
  EXPECT_GT(finished, 0);
  EXPECT_EQ(ScratchDir::tree(outside), std::vector<std::wstring>{L"sentinel.txt"});
  // Only the mail directory and the server's own configuration may have changed.
  auto outsideMail = [](std::vector<std::wstring> tree) {
    std::erase_if(tree, [](const std::wstring& entry) { return entry.rfind(L"Mail\\", 0) == 0; });
    return tree;
  };
  EXPECT_EQ(outsideMail(ScratchDir::tree(server.root())), outsideMail(before));
  EXPECT_EQ(ScratchDir::content(mail(L"example.com\\john\\1.eml")), "one");
}

}  // namespace
