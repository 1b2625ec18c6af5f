#include "archive/xml_mail_storage.h"

#include "archive/mail_archive.h"
#include "platform/exceptions.h"

void XmlMailStorage::refuse(const char* operation, const wchar_t* what) const {
  throwRuntimeError(std::wstring(L"Mail storage does not support ") + what + L" in this mode",
                    site((std::string(form_) + "::" + operation).c_str(), 0));
}

void XmlMailStorage::setAttribute(const std::wstring&, const std::wstring&) { refuse("setAttribute", L"setAttribute"); }
void XmlMailStorage::appendChild(MailStorage&) { refuse("appendChild", L"appendChild"); }
void XmlMailStorage::putFile(const std::wstring&, const std::wstring&) { refuse("putFile", L"putFile"); }
void XmlMailStorage::putDirectory(const std::wstring&, const std::wstring&, const StringList&) {
  refuse("putDirectory", L"putDirectory");
}
std::unique_ptr<MailStorage> XmlMailStorage::createChild(const std::wstring&) { refuse("createChild", L"createChild"); }
std::wstring XmlMailStorage::getAttribute(const std::wstring&) { refuse("getAttribute", L"getAttribute"); }
std::unique_ptr<MailStorage> XmlMailStorage::firstChild(const std::wstring&) { refuse("firstChild", L"firstChild"); }
std::unique_ptr<MailStorage> XmlMailStorage::nextChild() { refuse("nextChild", L"nextChild"); }
void XmlMailStorage::getDirectory(const std::wstring&, const std::wstring&) { refuse("getDirectory", L"getDirectory"); }

MailStorageWriter::MailStorageWriter(ComPtr<IXMLDOMDocument> document, ComPtr<IXMLDOMElement> element,
                                     MailArchive& archive)
    : XmlMailStorage("MailStorageWriter"), document_(std::move(document)), element_(std::move(element)), archive_(archive) {}

void MailStorageWriter::setAttribute(const std::wstring& name, const std::wstring& value) {
  ::setAttribute(*element_.get(), name, Variant(value));
}

void MailStorageWriter::appendChild(MailStorage& child) {
  auto* writer = dynamic_cast<MailStorageWriter*>(&child);
  if (!writer) refuse("appendChild", L"appending a child of another form");
  ::appendChild(*element_.get(), writer->element());
}

void MailStorageWriter::appendDump(const wchar_t* type, const std::wstring& arcname) {
  ComPtr<IXMLDOMElement> dump = createElement(*document_.get(), L"dump");
  ::setAttribute(*dump.get(), L"type", Variant(type));
  ::setAttribute(*dump.get(), L"arcname", Variant(arcname));
  ::appendChild(*element_.get(), *dump.get());
}

void MailStorageWriter::putFile(const std::wstring& arcname, const std::wstring& path) {
  appendDump(L"file", arcname);
  archive_.putFile(arcname, path);
}

void MailStorageWriter::putDirectory(const std::wstring& arcname, const std::wstring& path,
                                     const StringList& exclusions) {
  appendDump(L"directory", arcname);
  archive_.putDirectory(arcname, path, exclusions);
}

std::unique_ptr<MailStorage> MailStorageWriter::createChild(const std::wstring& tagName) {
  return std::make_unique<MailStorageWriter>(document_, createElement(*document_.get(), tagName), archive_);
}

MailStorageReader::MailStorageReader(ComPtr<IXMLDOMElement> element, MailArchive& archive)
    : XmlMailStorage("MailStorageReader"), element_(std::move(element)), archive_(archive) {}

std::wstring MailStorageReader::getAttribute(const std::wstring& name) { return ::getAttribute(*element_.get(), name); }

std::unique_ptr<MailStorage> MailStorageReader::firstChild(const std::wstring& tagName) {
  found_ = elementsByTagName(*element_.get(), tagName);
  position_ = 0;
  return childAt(position_);
}

std::unique_ptr<MailStorage> MailStorageReader::nextChild() {
  if (!found_) return nullptr;
  return childAt(++position_);
}

std::unique_ptr<MailStorage> MailStorageReader::childAt(long index) {
  ComPtr<IXMLDOMElement> child = elementAt(*found_.get(), index);
  if (!child) return nullptr;
  return std::make_unique<MailStorageReader>(std::move(child), archive_);
}

void MailStorageReader::getDirectory(const std::wstring& arcname, const std::wstring& path) {
  archive_.getDirectory(arcname, path);
}
