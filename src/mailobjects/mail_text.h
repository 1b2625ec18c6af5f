#pragma once
// Text rules of outgoing mail: line ends, the display form of an address and the
// placeholders of mail templates.

#include <map>
#include <string>

namespace Dravo {

// Inserts a CR before every LF that has none; CR LF pairs stay.
std::wstring normalizeLineEnds(const std::wstring& text);

// "\"name\" <address>", built also when both are empty.
std::wstring displayForm(const std::wstring& name, const std::wstring& address);

// Replaces each "<name>" whose name the map holds by its value; other placeholders stay.
std::wstring substitutePlaceholders(const std::wstring& text, const std::map<std::wstring, std::wstring>& values);

}  // namespace Dravo
