#pragma once
// One element of the mail archive's XML description, as the dumpers write it and the
// restorers read it. Each form is its own table in the host's slot order, with no
// destructor slot: an object ends its life through destroy(). GCC gives overloads their
// slots in declaration order, so putDirectory with exclusions comes before the one without.

#include <memory>
#include <new>
#include <string>

#include "interfaces/provider_types.h"

class MailStorageWriter {
 public:
  virtual void setAttribute(const std::wstring& name, const std::wstring& value) = 0;
  // The child is a writer that createChild of the same storage handed out.
  virtual void appendChild(MailStorageWriter& child) = 0;
  virtual void putFile(const std::wstring& arcname, const std::wstring& path) = 0;
  virtual void putDirectory(const std::wstring& arcname, const std::wstring& path,
                            const StringList& exclusions) = 0;
  virtual void putDirectory(const std::wstring& arcname, const std::wstring& path) = 0;
  // A new element in the same document, not yet appended anywhere; null without memory.
  virtual MailStorageWriter* createChild(const std::wstring& tagName) = 0;
  virtual void destroy() = 0;

 protected:
  ~MailStorageWriter() = default;
};

class MailStorageReader {
 public:
  // The attribute's text; empty when the element has no such attribute.
  virtual std::wstring getAttribute(const std::wstring& name) = 0;
  // The first element of that name at any depth below this one, in document order, or
  // null; nextChild(), asked of this same storage, walks on through that list.
  virtual MailStorageReader* firstChild(const std::wstring& tagName) = 0;
  virtual MailStorageReader* nextChild() = 0;
  virtual void getDirectory(const std::wstring& arcname, const std::wstring& path) = 0;
  virtual void destroy() = 0;

 protected:
  ~MailStorageReader() = default;
};

// Holds a storage that a createChild, firstChild or nextChild handed out.
struct StorageDestroy {
  template <class Storage>
  void operator()(Storage* storage) const {
    storage->destroy();
  }
};
template <class Storage>
using StorageOwner = std::unique_ptr<Storage, StorageDestroy>;
using WriterOwner = StorageOwner<MailStorageWriter>;
using ReaderOwner = StorageOwner<MailStorageReader>;

// createChild held by its owner; without memory for it, std::bad_alloc.
inline WriterOwner child(MailStorageWriter& parent, const std::wstring& tagName) {
  WriterOwner created(parent.createChild(tagName));
  if (!created) throw std::bad_alloc();
  return created;
}
