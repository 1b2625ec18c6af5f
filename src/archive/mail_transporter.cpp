#include "archive/mail_transporter.h"

#include <algorithm>
#include <memory>

#include "archive/xml_document.h"
#include "archive/xml_mail_storage.h"
#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/file_operations.h"
#include "platform/log_manager.h"
#include "platform/strings.h"
#include "platform/system_paths.h"

namespace {

bool containsNoCase(const StringList& names, const std::wstring& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::wstring& n) { return equalsNoCase(n, name); });
}

// The attribute's text read as a 32-bit number by the platform's variant conversion.
int toInt32(const std::wstring& text) {
  Variant value(text), number;
  const HRESULT hr = VariantChangeType(number.get(), value.get(), 0, VT_I4);
  if (FAILED(hr)) {
    throw vexception(ComError(hr), L"max_letter_size '" + text + L"'", "vexilor::MailTransporter::loadMail", 0);
  }
  return V_I4(number.get());
}

// The temporary copy of the description, deleted however the load ends.
struct TempFile {
  std::wstring path;
  ~TempFile() {
    try {
      removeFile(path, true);
    } catch (...) {
      log(1, L"Temporary file %s was not removed", path.c_str());
    }
  }
};

}  // namespace

MailTransporter::MailTransporter(MailProvider& provider, MailArchive& archive)
    : provider_(provider), archive_(archive) {}

bool MailTransporter::guarded(const std::function<void()>& call) {
  try {
    call();
    return true;
  } catch (const vexception& e) {
    if (!continueOnError) throw;
    LogManager::instance().log(3, e);
  } catch (const ComError& e) {
    if (!continueOnError) throw;
    LogManager::instance().log(3, vexception(e, L"mail archive", "vexilor::MailTransporter", 0));
  } catch (...) {
    if (!continueOnError) throw;
    log(3, L"Mail archive: a provider call failed; skipped");
  }
  return false;
}

void MailTransporter::saveMail() {
  ComPtr<IXMLDOMDocument> document = newXmlDocument();
  ComPtr<IXMLDOMElement> rootElement = createElement(*document.get(), L"kvxarchive");
  setAttribute(*rootElement.get(), L"version", Variant(L"7.5.1"));
  appendChild(*document.get(), *rootElement.get());
  XmlStorageWriter root(document, rootElement, archive_);

  int maxLetterSize = defaultMaxLetterSize;
  guarded([&] { maxLetterSize = provider_.maxLetterSize(); });
  ComPtr<IXMLDOMElement> settings = createElement(*document.get(), L"mail_settings");
  setAttribute(*settings.get(), L"max_letter_size", Variant::ofI4(maxLetterSize));
  appendChild(*rootElement.get(), *settings.get());

  StringList domains;
  guarded([&] { provider_.domains(domains); });
  for (const std::wstring& domain : domains) {
    WriterOwner domainStorage = child(root, L"domain");
    domainStorage->setAttribute(L"name", domain);
    root.appendChild(*domainStorage);
    if (withMailboxes) {
      StringList names;
      if (!guarded([&] { provider_.mailNames(domain, names); })) names.clear();
      for (const std::wstring& name : names) {
        WriterOwner mail = child(*domainStorage, L"mail");
        mail->setAttribute(L"name", name);
        if (guarded([&] { provider_.dumpMailBox(*mail, domain, name); })) domainStorage->appendChild(*mail);
      }
    }
    if (withMailLists) {
      StringList lists;
      if (!guarded([&] { provider_.mailLists(domain, lists); })) lists.clear();
      for (const std::wstring& list : lists) {
        WriterOwner mailList = child(*domainStorage, L"maillist");
        mailList->setAttribute(L"name", list);
        if (guarded([&] { provider_.dumpMailList(*mailList, domain, list); })) domainStorage->appendChild(*mailList);
      }
    }
  }

  const std::wstring description = tempFileName(L"tmp", tempPath());
  saveXml(*document.get(), description);
  archive_.putFile(L"info.xml", description);
}

void MailTransporter::loadMail() {
  TempFile description{tempFileName(L"tmp", tempPath())};
  archive_.getFile(L"info.xml", description.path);
  if (!pathExists(description.path) || fileSize(description.path) == 0) return;

  ComPtr<IXMLDOMDocument> document = vxmlLoad(description.path, true, false);
  ComPtr<IXMLDOMElement> rootElement = documentElement(*document.get());
  if (!rootElement || tagName(*rootElement.get()) != L"kvxarchive") {
    throwRuntimeError(L"Incorrect XML file structure. Root tag 'kvxarchive' not found.",
                      site("vexilor::MailTransporter::loadMail", 266));
  }

  ComPtr<IXMLDOMNodeList> settingsList = elementsByTagName(*rootElement.get(), L"mail_settings");
  if (ComPtr<IXMLDOMElement> settings = elementAt(*settingsList.get(), 0);
      settings && hasAttribute(*settings.get(), L"max_letter_size")) {
    const std::wstring size = getAttribute(*settings.get(), L"max_letter_size");
    guarded([&] { provider_.maxLetterSize(toInt32(size)); });
  }

  XmlStorageReader root(rootElement, archive_);
  StringList serverDomains;
  guarded([&] { provider_.domains(serverDomains); });
  for (ReaderOwner domainElement(root.firstChild(L"domain")); domainElement;
       domainElement.reset(root.nextChild())) {
    const std::wstring domain = domainElement->getAttribute(L"name");
    if (!containsNoCase(serverDomains, domain)) continue;
    if (withMailboxes) {
      StringList names;
      if (!guarded([&] { provider_.mailNames(domain, names); })) names.clear();
      for (ReaderOwner mail(domainElement->firstChild(L"mail")); mail; mail.reset(domainElement->nextChild())) {
        const std::wstring name = mail->getAttribute(L"name");
        if (containsNoCase(names, name)) guarded([&] { provider_.restoreMailBox(*mail, domain, name); });
      }
    }
    if (withMailLists) {
      StringList lists;
      if (!guarded([&] { provider_.mailLists(domain, lists); })) lists.clear();
      for (ReaderOwner mailList(domainElement->firstChild(L"maillist")); mailList;
           mailList.reset(domainElement->nextChild())) {
        const std::wstring list = mailList->getAttribute(L"name");
        if (containsNoCase(lists, list)) guarded([&] { provider_.restoreMailList(*mailList, domain, list); });
      }
    }
  }
}
