// The archive directory, the tree copy behind it and the XML storage forms, on scratch
// directories: what lands where, what is left out, and what a reader gets back.

#include <gtest/gtest.h>
#include <objbase.h>

#include <functional>
#include <thread>

#include "archive/archive_files.h"
#include "archive/mail_archive.h"
#include "archive/tree_copy.h"
#include "archive/xml_document.h"
#include "archive/xml_mail_storage.h"
#include "panel_service.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/scratch_dir.h"
#include "platform/system_paths.h"

namespace {

struct ComApartment {
  ComApartment() { CoInitialize(nullptr); }
  ~ComApartment() { CoUninitialize(); }
};

std::wstring failureText(const std::function<void()>& work) {
  try {
    work();
  } catch (const vexception& e) {
    return e.message();
  }
  return L"<no exception>";
}

TEST(ArchiveTreeCopy, MaskExclusionsAndEmptyDirectories) {
  ScratchDir scratch;
  scratch.file(L"src\\a.eml", "alpha");
  scratch.file(L"src\\b.txt", "beta");
  scratch.file(L"src\\Attachments\\top.bin", "excluded");
  scratch.file(L"src\\inbox\\Attachments\\deep.bin", "kept");
  scratch.file(L"src\\inbox\\m1.eml", "one");
  scratch.dir(L"src\\empty\\emptier");

  copyTree(scratch / L"src/", scratch / L"all\\", {L"Attachments"});
  EXPECT_EQ(ScratchDir::tree(scratch / L"all"),
            (std::vector<std::wstring>{L"a.eml", L"b.txt", L"inbox\\", L"inbox\\Attachments\\",
                                       L"inbox\\Attachments\\deep.bin", L"inbox\\m1.eml"}));
  EXPECT_EQ(ScratchDir::content(scratch / L"all\\inbox\\Attachments\\deep.bin"), "kept");

  // The mask picks the files of the top directory; subdirectories go whole.
  copyTree(scratch / L"src\\*.eml", scratch / L"masked", {});
  EXPECT_EQ(ScratchDir::tree(scratch / L"masked"),
            (std::vector<std::wstring>{L"Attachments\\", L"Attachments\\top.bin", L"a.eml", L"inbox\\",
                                       L"inbox\\Attachments\\", L"inbox\\Attachments\\deep.bin",
                                       L"inbox\\m1.eml"}));

  SCOPED_TRACE("nothing happens for a star outside the last component or a missing source");
  copyTree(scratch / L"s*c\\inbox", scratch / L"star", {});
  copyTree(scratch / L"missing", scratch / L"none", {});
  EXPECT_FALSE(ScratchDir::exists(scratch / L"star"));
  EXPECT_FALSE(ScratchDir::exists(scratch / L"none"));

  SCOPED_TRACE("existing files are replaced");
  scratch.file(L"all\\a.eml", "old content that is longer");
  copyTree(scratch / L"src", scratch / L"all", {});
  EXPECT_EQ(ScratchDir::content(scratch / L"all\\a.eml"), "alpha");
  EXPECT_EQ(ScratchDir::content(scratch / L"all\\Attachments\\top.bin"), "excluded");
}

TEST(ArchiveDirectory, FreshDiscardsReadingConsumes) {
  ScratchDir scratch;
  const std::wstring root = scratch / L"tmp\\_MailArchive";
  scratch.file(L"tmp\\_MailArchive\\stale.txt", "from an older save");
  scratch.file(L"mailbox\\inbox\\1.eml", "message");
  // A file outside the temporary directory is copied, not moved.
  const std::wstring plain = parentDir(moduleName(nullptr)) + L"\\archive-plain-" +
                             std::to_wstring(GetCurrentProcessId()) + L".txt";
  writeBytes(plain, "copied, not moved");
  {
    MailArchive archive(true, root);
    EXPECT_EQ(archive.root(), root);
    EXPECT_EQ(ScratchDir::tree(root), std::vector<std::wstring>{});
    archive.putDirectory(L"mail john@example.com", scratch / L"mailbox", {});
    archive.putFile(L"plain.txt", plain);
    const std::wstring temp = tempFileName(L"tmp", tempPath());
    archive.putFile(L"info.xml", temp);
    EXPECT_FALSE(ScratchDir::exists(temp)) << "a temporary file is moved into the archive";
  }
  EXPECT_EQ(readBytes(plain), "copied, not moved");
  DeleteFileW(plain.c_str());
  EXPECT_EQ(ScratchDir::tree(root), (std::vector<std::wstring>{L"info.xml", L"mail john@example.com\\",
                                                               L"mail john@example.com\\inbox\\",
                                                               L"mail john@example.com\\inbox\\1.eml",
                                                               L"plain.txt"}));
  {
    MailArchive archive(false, root);
    archive.getFile(L"plain.txt", scratch / L"back.txt");
    archive.getFile(L"never stored", scratch / L"nothing.txt");
    archive.getDirectory(L"mail john@example.com", scratch / L"restored");
    archive.getDirectory(L"never stored", scratch / L"restored-nothing");
    EXPECT_TRUE(ScratchDir::exists(root)) << "the archive stays while it is read";
  }
  EXPECT_FALSE(ScratchDir::exists(root)) << "a read archive is removed";
  EXPECT_EQ(ScratchDir::content(scratch / L"back.txt"), "copied, not moved");
  EXPECT_FALSE(ScratchDir::exists(scratch / L"nothing.txt"));
  EXPECT_EQ(ScratchDir::content(scratch / L"restored\\inbox\\1.eml"), "message");
  EXPECT_FALSE(ScratchDir::exists(scratch / L"restored-nothing"));

  SCOPED_TRACE("a missing archive is made with its parents");
  { MailArchive archive(false, scratch / L"a\\b\\c"); EXPECT_TRUE(ScratchDir::exists(scratch / L"a\\b\\c")); }
}

// The archive root follows the panel's own root setting, trailing separators dropped.
TEST(ArchiveDirectory, RootBelowThePanelRoot) {
  panelservice::Settings settings;
  settings.values[L"PRODUCT_ROOT_D"] = L"C:\\PanelRoot\\\\";
  panelservice::Options options;  // the pipe name the module asks
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  options.readyFile = std::wstring(temp) + L"archive-root-test.ready";
  DeleteFileW(options.readyFile.c_str());
  // The module's shared client stays connected for the life of the process, so the
  // service cannot be stopped and joined: it is left serving until the process ends.
  auto* service = new panelservice::Service(settings, options);
  std::thread([service] { service->run(); }).detach();
  while (GetFileAttributesW(options.readyFile.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
  DeleteFileW(options.readyFile.c_str());
  std::wstring root;
  EXPECT_NO_THROW(root = mailArchiveRoot());
  EXPECT_EQ(root, L"C:\\PanelRoot\\tmp\\_MailArchive");
}

TEST(ArchiveXmlStorage, WrittenElementsReadBack) {
  ComApartment com;
  ScratchDir scratch;
  scratch.file(L"box\\Attachments\\a.bin", "attachment");
  scratch.file(L"box\\1.eml", "mail");
  MailArchive archive(true, scratch / L"archive");
  ComPtr<IXMLDOMDocument> document = newXmlDocument();
  ComPtr<IXMLDOMElement> rootElement = createElement(*document.get(), L"kvxarchive");
  appendChild(*document.get(), *rootElement.get());
  MailStorageWriter root(document, rootElement, archive);
  for (const wchar_t* name : {L"first.org", L"second.org"}) {
    auto domain = root.createChild(L"domain");
    domain->setAttribute(L"name", name);
    root.appendChild(*domain);
    auto mail = domain->createChild(L"mail");
    mail->setAttribute(L"name", L"john");
    mail->setAttribute(L"Version", L"");
    mail->putDirectory(std::wstring(L"mail john@") + name, scratch / L"box", {L"Attachments"});
    domain->appendChild(*mail);
  }
  auto unattached = root.createChild(L"domain");
  unattached->setAttribute(L"name", L"never appended");
  EXPECT_NE(failureText([&] { root.getAttribute(L"name"); }), L"<no exception>");
  const std::wstring file = scratch / L"info.xml";
  saveXml(*document.get(), file);

  ComPtr<IXMLDOMDocument> loaded = vxmlLoad(file, true, false);
  MailStorageReader reader(documentElement(*loaded.get()), archive);
  std::vector<std::wstring> seen;
  for (auto domain = reader.firstChild(L"domain"); domain; domain = reader.nextChild()) {
    seen.push_back(domain->getAttribute(L"name"));
    auto mail = domain->firstChild(L"mail");
    ASSERT_TRUE(mail);
    EXPECT_EQ(mail->getAttribute(L"name"), L"john");
    EXPECT_EQ(mail->getAttribute(L"Server"), L"") << "an attribute never set reads as empty";
    EXPECT_FALSE(domain->nextChild());
    auto dump = mail->firstChild(L"dump");
    ASSERT_TRUE(dump);
    EXPECT_EQ(dump->getAttribute(L"type"), L"directory");
    EXPECT_EQ(dump->getAttribute(L"arcname"), L"mail john@" + seen.back());
    mail->getDirectory(L"mail john@" + seen.back(), scratch / (L"back-" + seen.back()));
    EXPECT_NE(failureText([&] { mail->setAttribute(L"x", L"y"); }), L"<no exception>");
  }
  EXPECT_EQ(seen, (std::vector<std::wstring>{L"first.org", L"second.org"}));
  // Elements are found at every depth below, in document order.
  std::vector<std::wstring> deep;
  for (auto mail = reader.firstChild(L"mail"); mail; mail = reader.nextChild()) deep.push_back(mail->getAttribute(L"name"));
  EXPECT_EQ(deep.size(), 2u);
  EXPECT_FALSE(reader.firstChild(L"maillist"));
  EXPECT_EQ(ScratchDir::tree(scratch / L"back-first.org"), std::vector<std::wstring>{L"1.eml"});
}

TEST(ArchiveXmlStorage, LoadFailureNamesFileAndReason) {
  ComApartment com;
  ScratchDir scratch;
  const std::wstring broken = scratch.file(L"broken.xml", "<kvxarchive version=\"7.5.1\"><domain></kvxarchive>");
  try {
    vxmlLoad(broken, true, false);
    FAIL() << "a broken file loaded";
  } catch (const vexception& e) {
    const std::wstring prefix = L"Run-Time error: Failed to load " + broken + L": ";
    EXPECT_EQ(e.message().substr(0, prefix.size()), prefix);
    EXPECT_GT(e.message().size(), prefix.size()) << "the parser's reason follows";
    ASSERT_FALSE(e.trace().empty());
    EXPECT_EQ(e.trace().front().function, "vxmlLoad");
    EXPECT_EQ(e.trace().front().line, 28u);
  }
  EXPECT_NE(failureText([&] { vxmlLoad(scratch / L"missing.xml", false, false); }), L"<no exception>");
}

}  // namespace
