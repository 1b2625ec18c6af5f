#pragma once
// The archive directory: the place below the control panel's root where a save leaves the
// description "info.xml" and the copied mailbox trees, each under its archive name.

#include <string>

#include "interfaces/provider_types.h"

class MailArchive {
 public:
  // The archive under the panel root. Fresh: any earlier archive is discarded first (for
  // writing); otherwise the archive is read and removed when this object is destroyed.
  explicit MailArchive(bool fresh);
  // The same at an explicit root directory.
  MailArchive(bool fresh, std::wstring root);
  ~MailArchive();
  MailArchive(const MailArchive&) = delete;
  MailArchive& operator=(const MailArchive&) = delete;

  const std::wstring& root() const { return root_; }
  // A read archive stays on disk after all, for example when loading it failed and the
  // mail kept in it may be the only copy left.
  void keep() { kept_ = true; }

  // Every arcname names one entry directly below the root (isPlainName); any other raises.
  // Stores the file under arcname: a file of the temporary directory is moved, any other
  // copied (replacing what was stored).
  void putFile(const std::wstring& arcname, const std::wstring& source);
  // Copies a stored file out, replacing target; an arcname never stored does nothing.
  void getFile(const std::wstring& arcname, const std::wstring& target);
  // Stores the tree of source; a name in exclusions is left out at the first level only.
  void putDirectory(const std::wstring& arcname, const std::wstring& source, const StringList& exclusions);
  // A file stored where the folder arcname should be raises.
  void getDirectory(const std::wstring& arcname, const std::wstring& target);

 private:
  // root joined with arcname.
  std::wstring entry(const std::wstring& arcname) const;

  std::wstring root_;
  bool fresh_;
  bool kept_ = false;
};

// "<panel root>\tmp\_MailArchive", the panel root as the control panel's service gives it.
std::wstring mailArchiveRoot();
