#pragma once
// How domain names appear in messages: followed by their Unicode form in brackets, so an
// "xn--" label can be read by a person.

#include <string>

namespace Dravo {

std::wstring unicodeForm(const std::wstring& name);
// name + " [" + its Unicode form + "]"
std::wstring withUnicodeForm(const std::wstring& name);

}  // namespace Dravo
