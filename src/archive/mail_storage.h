#pragma once
// One element of the mail archive's XML description, as the dumpers write it and the
// restorers read it. The writing form supports the first group of operations, the reading
// form the second; each form raises a run-time error for the other's operations.

#include <memory>
#include <string>

#include "provider/provider_types.h"

class MailStorage {
 public:
  virtual ~MailStorage() = default;

  // Writing form.
  virtual void setAttribute(const std::wstring& name, const std::wstring& value) = 0;
  virtual void appendChild(MailStorage& child) = 0;
  virtual void putFile(const std::wstring& arcname, const std::wstring& path) = 0;
  virtual void putDirectory(const std::wstring& arcname, const std::wstring& path,
                            const StringList& exclusions) = 0;
  void putDirectory(const std::wstring& arcname, const std::wstring& path) {
    putDirectory(arcname, path, StringList{});
  }
  // A new element in the same document, not yet appended anywhere.
  virtual std::unique_ptr<MailStorage> createChild(const std::wstring& tagName) = 0;

  // Reading form.
  // The attribute's text; empty when the element has no such attribute.
  virtual std::wstring getAttribute(const std::wstring& name) = 0;
  // The first element of that name at any depth below this one, in document order, or
  // null; nextChild(), asked of this same storage, walks on through that list.
  virtual std::unique_ptr<MailStorage> firstChild(const std::wstring& tagName) = 0;
  virtual std::unique_ptr<MailStorage> nextChild() = 0;
  virtual void getDirectory(const std::wstring& arcname, const std::wstring& path) = 0;
};
