#pragma once
// The two forms of MailStorage over an element of the archive's MSXML description: the
// writing form that dumpers fill, the reading form that restorers walk.

#include <memory>
#include <string>

#include "archive/mail_storage.h"
#include "archive/xml_document.h"

class MailArchive;

// What both forms share: every operation refuses with a run-time error until a form
// overrides it with its own.
class XmlMailStorage : public MailStorage {
 public:
  void setAttribute(const std::wstring& name, const std::wstring& value) override;
  void appendChild(MailStorage& child) override;
  void putFile(const std::wstring& arcname, const std::wstring& path) override;
  void putDirectory(const std::wstring& arcname, const std::wstring& path, const StringList& exclusions) override;
  using MailStorage::putDirectory;
  std::unique_ptr<MailStorage> createChild(const std::wstring& tagName) override;

  std::wstring getAttribute(const std::wstring& name) override;
  std::unique_ptr<MailStorage> firstChild(const std::wstring& tagName) override;
  std::unique_ptr<MailStorage> nextChild() override;
  void getDirectory(const std::wstring& arcname, const std::wstring& path) override;

 protected:
  explicit XmlMailStorage(const char* form) : form_(form) {}
  [[noreturn]] void refuse(const char* operation, const wchar_t* what) const;

 private:
  const char* form_;  // the class name, for the raise site
};

class MailStorageWriter : public XmlMailStorage {
 public:
  MailStorageWriter(ComPtr<IXMLDOMDocument> document, ComPtr<IXMLDOMElement> element, MailArchive& archive);

  void setAttribute(const std::wstring& name, const std::wstring& value) override;
  void appendChild(MailStorage& child) override;
  void putFile(const std::wstring& arcname, const std::wstring& path) override;
  void putDirectory(const std::wstring& arcname, const std::wstring& path, const StringList& exclusions) override;
  using MailStorage::putDirectory;
  std::unique_ptr<MailStorage> createChild(const std::wstring& tagName) override;

  IXMLDOMElement& element() { return *element_.get(); }

 private:
  // A "dump" child that records a stored file or directory.
  void appendDump(const wchar_t* type, const std::wstring& arcname);

  ComPtr<IXMLDOMDocument> document_;
  ComPtr<IXMLDOMElement> element_;
  MailArchive& archive_;
};

class MailStorageReader : public XmlMailStorage {
 public:
  MailStorageReader(ComPtr<IXMLDOMElement> element, MailArchive& archive);

  std::wstring getAttribute(const std::wstring& name) override;
  std::unique_ptr<MailStorage> firstChild(const std::wstring& tagName) override;
  std::unique_ptr<MailStorage> nextChild() override;
  void getDirectory(const std::wstring& arcname, const std::wstring& path) override;

 private:
  std::unique_ptr<MailStorage> childAt(long index);

  ComPtr<IXMLDOMElement> element_;
  ComPtr<IXMLDOMNodeList> found_;  // the elements of the last firstChild
  long position_ = 0;
  MailArchive& archive_;
};
