#include "archive/mail_archive.h"

#include "archive/tree_copy.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/log_manager.h"
#include "platform/system_paths.h"
#include "srvclient/vanto_srv_client.h"

std::wstring mailArchiveRoot() { return VFileName::combine(panelRoot(), L"tmp\\_MailArchive"); }

MailArchive::MailArchive(bool fresh) : MailArchive(fresh, mailArchiveRoot()) {}

MailArchive::MailArchive(bool fresh, std::wstring root) : root_(std::move(root)), fresh_(fresh) {
  if (fresh_ && pathExists(root_)) removeDir(root_, true);
  if (!pathExists(root_)) makeDirs(root_);
}

MailArchive::~MailArchive() {
  if (fresh_ || kept_ || !pathExists(root_)) return;
  // A read archive is consumed; failing to remove it must not hide what the load did.
  try {
    removeDir(root_, true);
  } catch (const vexception& e) {
    log(1, L"Mail archive %s was not removed: %s", root_.c_str(), fullText(e).c_str());
  } catch (...) {
    log(1, L"Mail archive %s was not removed", root_.c_str());
  }
}

std::wstring MailArchive::entry(const std::wstring& arcname) const {
  if (!isPlainName(arcname)) {
    throwRuntimeError(L"The archive name '" + arcname + L"' does not name one entry of the archive " + root_,
                      site("MailArchive::entry", __LINE__));
  }
  return VFileName::combine(root_, arcname);
}

void MailArchive::putFile(const std::wstring& arcname, const std::wstring& source) {
  const std::wstring target = entry(arcname);
  const std::wstring temp = tempPath();
  if (source.compare(0, temp.size(), temp) == 0) {
    renameFile(source, target);
  } else {
    copyFile(source, target, false);
  }
}

void MailArchive::getFile(const std::wstring& arcname, const std::wstring& target) {
  const std::wstring source = entry(arcname);
  if (pathExists(source)) copyFile(source, target, false);
}

void MailArchive::putDirectory(const std::wstring& arcname, const std::wstring& source,
                               const StringList& exclusions) {
  copyTree(source, entry(arcname), exclusions);
}

void MailArchive::getDirectory(const std::wstring& arcname, const std::wstring& target) {
  const std::wstring source = entry(arcname);
  // A damaged archive is reported, not passed over as if nothing had been stored.
  if (pathExists(source) && !isDirectory(source)) {
    throwRuntimeError(L"The archive holds a file where the folder " + source + L" should be",
                      site("MailArchive::getDirectory", __LINE__));
  }
  copyTree(source, target, {});
}
