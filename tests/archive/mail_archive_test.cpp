// The archive directory, the tree copy behind it and the XML storage forms, on scratch
// directories: what lands where, what is left out, and what a reader gets back.

#include <gtest/gtest.h>
#include <objbase.h>

#include "archive/archive_files.h"
#include "archive/mail_archive.h"
#include "archive/tree_copy.h"
#include "archive/xml_document.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/scratch_dir.h"
#include "platform/system_paths.h"

namespace {

struct ComApartment {
  ComApartment() { CoInitialize(nullptr); }
  ~ComApartment() { CoUninitialize(); }
};

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

  copyTree(scratch / L"s*c\\inbox", scratch / L"star", {});
  copyTree(scratch / L"missing", scratch / L"none", {});
  EXPECT_FALSE(ScratchDir::exists(scratch / L"star") || ScratchDir::exists(scratch / L"none"))
      << "nothing happens for a star outside the last component or a missing source";
  SCOPED_TRACE("existing files are replaced");
  scratch.file(L"all\\a.eml", "old content that is longer");
  copyTree(scratch / L"src", scratch / L"all", {});
  EXPECT_EQ(ScratchDir::content(scratch / L"all\\a.eml"), "alpha");
  EXPECT_EQ(ScratchDir::content(scratch / L"all\\Attachments\\top.bin"), "excluded");
  SCOPED_TRACE("a folder in the way of a file, named in another case, stops the copy before it starts");
  scratch.file(L"way\\a.eml", "old content");
  scratch.dir(L"way\\B.TXT");
  EXPECT_THROW(copyTree(scratch / L"src", scratch / L"way", {}), vexception);
  EXPECT_EQ(ScratchDir::content(scratch / L"way\\a.eml"), "old content");
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
  EXPECT_EQ(ScratchDir::content(plain), "copied, not moved");
  DeleteFileW(plain.c_str());
  EXPECT_EQ(ScratchDir::tree(root), (std::vector<std::wstring>{L"info.xml", L"mail john@example.com\\", L"mail john@example.com\\inbox\\",
                                                               L"mail john@example.com\\inbox\\1.eml", L"plain.txt"}));
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
  EXPECT_EQ(ScratchDir::content(scratch / L"restored\\inbox\\1.eml"), "message");
  EXPECT_FALSE(ScratchDir::exists(scratch / L"nothing.txt") || ScratchDir::exists(scratch / L"restored-nothing")) << "nothing stored, nothing made";
}

// The XML storage's writer and reader are exercised whole by the save and load round trips.
TEST(ArchiveXmlStorage, LoadFailureNamesFileAndReason) {
  ComApartment com;
  ScratchDir scratch;
  const std::wstring broken = scratch.file(L"broken.xml", "<kvxarchive version=\"7.5.1\"><domain></kvxarchive>");
  const std::wstring failure = raised([&] { vxmlLoad(broken, true, false); });
  const std::wstring prefix = L"Run-Time error: Failed to load " + broken + L": ";
  EXPECT_EQ(failure.substr(0, prefix.size()), prefix);
  EXPECT_GT(failure.size(), prefix.size() + std::wstring(L" @ vxmlLoad").size()) << "the parser's reason follows";
  EXPECT_EQ(failure.substr(failure.rfind(L" @ ")), L" @ vxmlLoad");
  EXPECT_NE(raised([&] { vxmlLoad(scratch / L"missing.xml", false, false); }), L"<no failure>");
}

}  // namespace
