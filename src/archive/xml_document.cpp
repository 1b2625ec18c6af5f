#include "archive/xml_document.h"

#include <objbase.h>

#include "platform/com_error.h"
#include "platform/exceptions.h"

namespace {

constexpr DWORD allServerContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                    CLSCTX_REMOTE_SERVER;

void check(HRESULT hr) {
  if (FAILED(hr)) throwComError(hr);
}

VARIANT_BOOL variantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace

ComPtr<IXMLDOMDocument> newXmlDocument() {
  CLSID clsid{};
  check(CLSIDFromProgID(L"Msxml2.DOMDocument", &clsid));
  ComPtr<IXMLDOMDocument> document;
  check(CoCreateInstance(clsid, nullptr, allServerContexts, IID_IXMLDOMDocument,
                         reinterpret_cast<void**>(document.put())));
  return document;
}

ComPtr<IXMLDOMDocument> vxmlLoad(const std::wstring& path, bool validate, bool resolveExternals) {
  ComPtr<IXMLDOMDocument> document = newXmlDocument();
  check(document->put_async(VARIANT_FALSE));
  check(document->put_validateOnParse(variantBool(validate)));
  check(document->put_resolveExternals(variantBool(resolveExternals)));
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const Variant source(path);
  check(document->load(*const_cast<VARIANT*>(source.get()), &loaded));
  if (loaded != VARIANT_TRUE) {
    std::wstring reason;
    ComPtr<IXMLDOMParseError> error;
    Bstr text;
    if (SUCCEEDED(document->get_parseError(error.put())) && error && SUCCEEDED(error->get_reason(text.put()))) {
      reason = text.str();
    }
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) reason.pop_back();
    throwRuntimeError(L"Failed to load " + path + L": " + reason, site("vxmlLoad", 28));
  }
  return document;
}

ComPtr<IXMLDOMElement> createElement(IXMLDOMDocument& document, const std::wstring& tagName) {
  ComPtr<IXMLDOMElement> element;
  check(document.createElement(Bstr(tagName).get(), element.put()));
  return element;
}

void setAttribute(IXMLDOMElement& element, const std::wstring& name, const Variant& value) {
  check(element.setAttribute(Bstr(name).get(), *const_cast<VARIANT*>(value.get())));
}

std::wstring getAttribute(IXMLDOMElement& element, const std::wstring& name) {
  Variant value;
  check(element.getAttribute(Bstr(name).get(), value.put()));
  if (value.type() != VT_BSTR || !V_BSTR(value.get())) return {};
  return std::wstring(V_BSTR(value.get()), SysStringLen(V_BSTR(value.get())));
}

bool hasAttribute(IXMLDOMElement& element, const std::wstring& name) {
  ComPtr<IXMLDOMAttribute> attribute;
  check(element.getAttributeNode(Bstr(name).get(), attribute.put()));
  return static_cast<bool>(attribute);
}

void appendChild(IXMLDOMNode& parent, IXMLDOMNode& child) {
  ComPtr<IXMLDOMNode> appended;
  check(parent.appendChild(&child, appended.put()));
}

std::wstring tagName(IXMLDOMElement& element) {
  Bstr name;
  check(element.get_tagName(name.put()));
  return name.str();
}

ComPtr<IXMLDOMNodeList> elementsByTagName(IXMLDOMElement& element, const std::wstring& tagName) {
  ComPtr<IXMLDOMNodeList> list;
  check(element.getElementsByTagName(Bstr(tagName).get(), list.put()));
  return list;
}

ComPtr<IXMLDOMElement> elementAt(IXMLDOMNodeList& list, long index) {
  ComPtr<IXMLDOMNode> node;
  check(list.get_item(index, node.put()));
  ComPtr<IXMLDOMElement> element;
  if (node) check(node->QueryInterface(IID_IXMLDOMElement, reinterpret_cast<void**>(element.put())));
  return element;
}

ComPtr<IXMLDOMElement> documentElement(IXMLDOMDocument& document) {
  ComPtr<IXMLDOMElement> element;
  check(document.get_documentElement(element.put()));
  return element;
}

void saveXml(IXMLDOMDocument& document, const std::wstring& path) {
  const Variant target(path);
  check(document.save(*const_cast<VARIANT*>(target.get())));
}
