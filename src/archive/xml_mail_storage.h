#pragma once
// The two forms of mail storage over an element of the archive's MSXML description: the
// writing form that dumpers fill, the reading form that restorers walk. A storage that
// createChild, firstChild or nextChild hands out lives on the heap until its destroy().

#include <string>

#include "interfaces/mail_storage.h"
#include "archive/xml_document.h"

class MailArchive;

class XmlStorageWriter final : public MailStorageWriter {
 public:
  XmlStorageWriter(ComPtr<IXMLDOMDocument> document, ComPtr<IXMLDOMElement> element, MailArchive& archive);
  ~XmlStorageWriter() = default;

  void setAttribute(const std::wstring& name, const std::wstring& value) override;
  void appendChild(MailStorageWriter& child) override;
  void putFile(const std::wstring& arcname, const std::wstring& path) override;
  void putDirectory(const std::wstring& arcname, const std::wstring& path, const StringList& exclusions) override;
  void putDirectory(const std::wstring& arcname, const std::wstring& path) override;
  MailStorageWriter* createChild(const std::wstring& tagName) override;
  void destroy() override { delete this; }

 private:
  // A "dump" child that records a stored file or directory.
  void appendDump(const wchar_t* type, const std::wstring& arcname);

  ComPtr<IXMLDOMDocument> document_;
  ComPtr<IXMLDOMElement> element_;
  MailArchive& archive_;
};

class XmlStorageReader final : public MailStorageReader {
 public:
  XmlStorageReader(ComPtr<IXMLDOMElement> element, MailArchive& archive);
  ~XmlStorageReader() = default;

  std::wstring getAttribute(const std::wstring& name) override;
  MailStorageReader* firstChild(const std::wstring& tagName) override;
  MailStorageReader* nextChild() override;
  void getDirectory(const std::wstring& arcname, const std::wstring& path) override;
  void destroy() override { delete this; }

 private:
  MailStorageReader* childAt(long index);

  ComPtr<IXMLDOMElement> element_;
  ComPtr<IXMLDOMNodeList> found_;  // the elements of the last firstChild
  long position_ = 0;
  MailArchive& archive_;
};
