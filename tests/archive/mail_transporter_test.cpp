// Saving the mail server into the archive and loading it back, through the provider and
// the stand-in mail server.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

#include "archive/archive_files.h"
#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "archive/xml_document.h"
#include "archive/xml_mail_storage.h"
#include "mailobjects/dravo_account.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
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
    removeTree(server.mailPath());
    CreateDirectoryW(server.mailPath().c_str(), nullptr);
  }
  static void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = data.cFileName, full = path + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(full);
        else DeleteFileW(full.c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
  }
  // Writes an archive by hand: info.xml with the given text and the stored trees.
  void handArchive(const std::string& infoXml, const Files& stored = {}) {
    removeTree(archiveRoot);
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
  makeParentDirs(mail(L"example.com\\mary\\nothing\\inside\\x"));
  writeBytes(mail(L"gone.org\\bob\\3.eml"), "not restored");

  save();
  SCOPED_TRACE("the attachments are stored once in each place, deeper ones stay in the mailbox");
  EXPECT_FALSE(ScratchDir::exists(archiveRoot + L"\\mail john@example.com\\Attachments"));
  EXPECT_EQ(readBytes(archiveRoot + L"\\attachments john@example.com\\photo.jpg"),
            files[L"example.com\\john\\Attachments\\photo.jpg"]);
  EXPECT_EQ(readBytes(archiveRoot + L"\\mail john@example.com\\inbox\\Attachments\\deep.bin"),
            files[L"example.com\\john\\inbox\\Attachments\\deep.bin"]);
  EXPECT_FALSE(ScratchDir::exists(archiveRoot + L"\\mail mary@example.com\\nothing"));
  EXPECT_TRUE(ScratchDir::exists(archiveRoot + L"\\info.xml"));

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
    EXPECT_EQ(readBytes(mail(relative)), bytes);
  }
  EXPECT_FALSE(ScratchDir::exists(mail(L"gone.org")));
  EXPECT_EQ(provider.maxLetterSize(), 777216);
  EXPECT_EQ(mailboxPath(L"john", L"example.com"), L"example.com\\john");
  EXPECT_FALSE(ScratchDir::exists(archiveRoot)) << "a loaded archive is removed";
}

TEST_F(ArchiveRoundTrip, DescriptionOrderAndElements) {
  addDomain(L"b.org");
  addDomain(L"a.org");
  addMailName(L"zed", L"a.org");
  addMailName(L"amy", L"a.org");
  DravoAccount(L"amy", L"a.org").setStrProp(L"U_MailBoxPath", scratch / L"elsewhere\\amy");
  writeBytes(scratch / L"elsewhere\\amy\\1.eml", "absolute mailbox path");
  save();

  ComPtr<IXMLDOMDocument> document = vxmlLoad(archiveRoot + L"\\info.xml", true, false);
  MailArchive reading(true, scratch / L"unused");
  MailStorageReader root(documentElement(*document.get()), reading);
  EXPECT_EQ(root.getAttribute(L"version"), L"7.5.1");
  auto settings = root.firstChild(L"mail_settings");
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->getAttribute(L"max_letter_size"), std::to_wstring(provider.maxLetterSize()));
  std::vector<std::wstring> walk;
  StringList serverOrder;
  provider.domains(serverOrder);
  for (auto domain = root.firstChild(L"domain"); domain; domain = root.nextChild()) {
    walk.push_back(domain->getAttribute(L"name"));
    for (auto name = domain->firstChild(L"mail"); name; name = domain->nextChild()) {
      walk.push_back(name->getAttribute(L"name") + L" " + name->getAttribute(L"Version") + L" " +
                     name->getAttribute(L"Server"));
    }
  }
  std::vector<std::wstring> expected(serverOrder.begin(), serverOrder.end());
  ASSERT_EQ(expected.size(), 2u);
  StringList names;
  provider.mailNames(L"a.org", names);
  const auto at = std::find(expected.begin(), expected.end(), L"a.org") + 1;
  std::vector<std::wstring> mails;
  for (const auto& n : names) mails.push_back(n + L" 1.0 Dravo");
  expected.insert(at, mails.begin(), mails.end());
  EXPECT_EQ(walk, expected);
  EXPECT_EQ(readBytes(archiveRoot + L"\\mail amy@a.org\\1.eml"), "absolute mailbox path");
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

TEST_F(ArchiveRoundTrip, VersionAndServerDecideWhatIsRestored) {
  addDomain(L"example.com");
  for (const wchar_t* name : {L"ann", L"mary", L"olga", L"vic"}) addMailName(name, L"example.com");
  DravoAccount(L"mary", L"example.com").setStrProp(L"U_MailBoxPath", L"kept\\mary");
  Files stored;
  for (const wchar_t* name : {L"ann", L"mary", L"olga", L"vic"}) {
    stored[std::wstring(L"mail ") + name + L"@example.com\\m.eml"] = "mailbox";
    stored[std::wstring(L"attachments ") + name + L"@example.com\\a.bin"] = "attachment";
  }
  handArchive(
      "<kvxarchive version=\"7.5.1\"><domain name=\"example.com\">"
      "<mail name=\"ann\" Server=\"Dravo\"/>"
      "<mail name=\"mary\" Version=\"1.0\" Server=\"Other\"/>"
      "<mail name=\"olga\" Version=\"1.0\"/>"
      "<mail name=\"vic\" Version=\"2.0\" Server=\"Dravo\"/>"
      "</domain></kvxarchive>",
      stored);
  ComPtr<IXMLDOMDocument> document = vxmlLoad(archiveRoot + L"\\info.xml", true, false);
  MailArchive reading(false, archiveRoot);
  MailStorageReader domain(documentElement(*document.get()), reading);
  std::map<std::wstring, std::wstring> failures;
  for (auto element = domain.firstChild(L"mail"); element; element = domain.nextChild()) {
    const std::wstring name = element->getAttribute(L"name");
    try {
      provider.restoreMailBox(*element, L"example.com", name);
    } catch (const vexception& e) {
      failures[name] = e.message();
    }
  }
  EXPECT_EQ(failures, (std::map<std::wstring, std::wstring>{
                          {L"vic", L"Run-Time error: Can't restore mail box. Unknown version 2.0"}}));
  SCOPED_TRACE("no Version with Server Dravo counts as 1.0");
  EXPECT_EQ(readBytes(mail(L"example.com\\ann\\m.eml")), "mailbox");
  EXPECT_EQ(readBytes(mail(L"example.com\\ann\\Attachments\\a.bin")), "attachment");
  EXPECT_EQ(mailboxPath(L"ann", L"example.com"), L"example.com\\ann");
  SCOPED_TRACE("another or no Server: the attachments only, the mailbox path unchanged");
  EXPECT_EQ(readBytes(mail(L"example.com\\mary\\m.eml")), "<missing>");
  EXPECT_EQ(readBytes(mail(L"example.com\\mary\\Attachments\\a.bin")), "attachment");
  EXPECT_EQ(mailboxPath(L"mary", L"example.com"), L"kept\\mary");
  EXPECT_EQ(readBytes(mail(L"example.com\\olga\\m.eml")), "<missing>");
  EXPECT_EQ(readBytes(mail(L"example.com\\olga\\Attachments\\a.bin")), "attachment");
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
  try {
    load();
    ADD_FAILURE() << "the unknown version passed";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Can't restore mail box. Unknown version 3");
  }
  EXPECT_EQ(readBytes(mail(L"Example.COM\\zoe\\z.eml")), "<missing>");

  handArchive(xml, stored);
  {
    MailArchive archive(false, archiveRoot);
    MailTransporter transporter(provider, archive);
    transporter.continueOnError = true;
    transporter.loadMail();
  }
  EXPECT_EQ(readBytes(mail(L"example.com\\zoe\\z.eml")), "zoe's mail");

  SCOPED_TRACE("a root other than kvxarchive");
  handArchive("<archive version=\"7.5.1\"/>");
  try {
    load();
    ADD_FAILURE() << "the wrong root passed";
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: Incorrect XML file structure. Root tag 'kvxarchive' not found.");
    EXPECT_EQ(e.trace().front().function, "vexilor::MailTransporter::loadMail");
    EXPECT_EQ(e.trace().front().line, 266u);
  }
}

// Mutations of a saved description: every load ends in the module's exceptions or
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
  const std::string pristine = readBytes(archiveRoot + L"\\info.xml");
  const Files stored = {{L"mail john@example.com\\1.eml", "one"},
                        {L"attachments john@example.com\\a.bin", "two"}};
  ASSERT_NE(pristine.find("kvxarchive"), std::string::npos);

  const std::vector<std::string> hostile = {
      "<", ">", "\"", "&", "&amp;", "<!DOCTYPE x SYSTEM \"file:///c:/nowhere.dtd\">", "\xff\xfe", "]]>",
      " max_letter_size=\"99999999999\"", " max_letter_size=\"-1\"", " max_letter_size=\"\"",
      " max_letter_size=\"0x7FFFFFFF\"", " max_letter_size=\"1e300\"", " max_letter_size=\"nine\"",
      " Version=\"1.00\"", " Server=\"\"", " name=\"..\\..\\outside\"", " name=\"\"",
      "<mail name=\"JOHN\" Version=\"1.0\" Server=\"Dravo\"/>", "<kvxarchive>", "</domain>",
      std::string(5000, '9'), "\r\n", std::string("\0", 1)};
  const auto before = ScratchDir::tree(server.root());
  std::mt19937 random(20261206);
  int failed = 0, finished = 0;
  for (int round = 0; round < 60; ++round) {
    std::string text = pristine;
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = random() % (text.size() + 1);
      switch (random() % 4) {
        case 0: text.erase(at, random() % 24); break;
        case 1: text.insert(at, hostile[random() % hostile.size()]); break;
        case 2: if (at < text.size()) text[at] = static_cast<char>(random() & 0xFF); break;
        default: {
          // Drop a whole attribute.
          const std::size_t quote = text.find("=\"", at);
          const std::size_t space = quote == std::string::npos ? quote : text.rfind(' ', quote);
          const std::size_t end = quote == std::string::npos ? quote : text.find('"', quote + 2);
          if (space != std::string::npos && end != std::string::npos) text.erase(space, end + 1 - space);
        }
      }
    }
    SCOPED_TRACE("round " + std::to_string(round) + ": " + text);
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
  EXPECT_EQ(readBytes(outside + L"\\sentinel.txt"), "untouched");
  EXPECT_EQ(ScratchDir::tree(outside), std::vector<std::wstring>{L"sentinel.txt"});
  // Only the mail directory and the server's own configuration may have changed.
  auto outsideMail = [](std::vector<std::wstring> tree) {
    std::erase_if(tree, [](const std::wstring& entry) { return entry.rfind(L"Mail\\", 0) == 0; });
    return tree;
  };
  EXPECT_EQ(outsideMail(ScratchDir::tree(server.root())), outsideMail(before));
  EXPECT_EQ(readBytes(mail(L"example.com\\john\\1.eml")), "one");
}

}  // namespace
