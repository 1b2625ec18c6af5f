#pragma once
// The archive description as an MSXML document: creating one, loading one from a file,
// and the checked element calls that the storage objects and the transporter share.
// Failed COM calls raise ComError.

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "platform/com_owners.h"

// A new, empty "Msxml2.DOMDocument".
ComPtr<IXMLDOMDocument> newXmlDocument();

// Loads path into a new document with the two parser switches; a document that does not
// load raises "Failed to load <path>: <the parser's reason>".
ComPtr<IXMLDOMDocument> vxmlLoad(const std::wstring& path, bool validate, bool resolveExternals);

ComPtr<IXMLDOMElement> createElement(IXMLDOMDocument& document, const std::wstring& tagName);
void setAttribute(IXMLDOMElement& element, const std::wstring& name, const Variant& value);
// The attribute's text, or empty when the element has no such attribute.
std::wstring getAttribute(IXMLDOMElement& element, const std::wstring& name);
// True when the element carries the attribute, even with an empty value.
bool hasAttribute(IXMLDOMElement& element, const std::wstring& name);
void appendChild(IXMLDOMNode& parent, IXMLDOMNode& child);
std::wstring tagName(IXMLDOMElement& element);
// The elements of that name at every depth below the element, in document order.
ComPtr<IXMLDOMNodeList> elementsByTagName(IXMLDOMElement& element, const std::wstring& tagName);
// The list's item at index as an element, or null past its end.
ComPtr<IXMLDOMElement> elementAt(IXMLDOMNodeList& list, long index);
ComPtr<IXMLDOMElement> documentElement(IXMLDOMDocument& document);
void saveXml(IXMLDOMDocument& document, const std::wstring& path);
