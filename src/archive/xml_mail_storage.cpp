#include "archive/xml_mail_storage.h"

#include <new>

#include "archive/mail_archive.h"
#include "platform/exceptions.h"

XmlStorageWriter::XmlStorageWriter(ComPtr<IXMLDOMDocument> document, ComPtr<IXMLDOMElement> element,
                                   MailArchive& archive)
    : document_(std::move(document)), element_(std::move(element)), archive_(archive) {}

void XmlStorageWriter::setAttribute(const std::wstring& name, const std::wstring& value) {
  ::setAttribute(*element_.get(), name, Variant(value));
}

void XmlStorageWriter::appendChild(MailStorageWriter& child) {
  auto* writer = dynamic_cast<XmlStorageWriter*>(&child);
  if (!writer) {
    throwRuntimeError(L"Mail storage cannot append a child of another storage",
                      site("XmlStorageWriter::appendChild", __LINE__));
  }
  ::appendChild(*element_.get(), *writer->element_.get());
}

void XmlStorageWriter::appendDump(const wchar_t* type, const std::wstring& arcname) {
  ComPtr<IXMLDOMElement> dump = createElement(*document_.get(), L"dump");
  ::setAttribute(*dump.get(), L"type", Variant(type));
  ::setAttribute(*dump.get(), L"arcname", Variant(arcname));
  ::appendChild(*element_.get(), *dump.get());
}

void XmlStorageWriter::putFile(const std::wstring& arcname, const std::wstring& path) {
  appendDump(L"file", arcname);
  archive_.putFile(arcname, path);
}

void XmlStorageWriter::putDirectory(const std::wstring& arcname, const std::wstring& path,
                                    const StringList& exclusions) {
  appendDump(L"directory", arcname);
  archive_.putDirectory(arcname, path, exclusions);
}

void XmlStorageWriter::putDirectory(const std::wstring& arcname, const std::wstring& path) {
  putDirectory(arcname, path, StringList{});
}

MailStorageWriter* XmlStorageWriter::createChild(const std::wstring& tagName) {
  return new (std::nothrow) XmlStorageWriter(document_, createElement(*document_.get(), tagName), archive_);
}

XmlStorageReader::XmlStorageReader(ComPtr<IXMLDOMElement> element, MailArchive& archive)
    : element_(std::move(element)), archive_(archive) {}

std::wstring XmlStorageReader::getAttribute(const std::wstring& name) { return ::getAttribute(*element_.get(), name); }

MailStorageReader* XmlStorageReader::firstChild(const std::wstring& tagName) {
  found_ = elementsByTagName(*element_.get(), tagName);
  position_ = 0;
  return childAt(position_);
}

MailStorageReader* XmlStorageReader::nextChild() {
  if (!found_) return nullptr;
  return childAt(++position_);
}

MailStorageReader* XmlStorageReader::childAt(long index) {
  ComPtr<IXMLDOMElement> child = elementAt(*found_.get(), index);
  if (!child) return nullptr;
  return new (std::nothrow) XmlStorageReader(std::move(child), archive_);
}

void XmlStorageReader::getDirectory(const std::wstring& arcname, const std::wstring& path) {
  archive_.getDirectory(arcname, path);
}
