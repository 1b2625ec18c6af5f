#include "mailobjects/string_list.h"

#include "platform/exceptions.h"

namespace Dravo {
namespace {

// Position of the first item equal to item, or npos.
std::size_t findItem(const std::wstring& list, const std::wstring& item, const std::wstring& separator) {
  for (std::size_t p = 0; p < list.size();) {
    std::size_t end = list.find(separator, p);
    if (end == std::wstring::npos) end = list.size();
    if (list.compare(p, end - p, item) == 0) return p;
    p = end + separator.size();
  }
  return std::wstring::npos;
}

}  // namespace

void tokenize(StringList& out, const std::wstring& text, const std::wstring& separators, int emptyCount) {
  std::wstring token;
  int run = 0;
  for (wchar_t c : text) {
    if (separators.find(c) == std::wstring::npos) {
      token += c;
      continue;
    }
    ++run;
    if (!token.empty()) {
      out.push_back(std::move(token));
      token.clear();
      run = 0;
    } else if (emptyCount != 0 && run >= emptyCount) {
      out.emplace_back();
      run = 0;
    }
  }
  if (!token.empty()) out.push_back(std::move(token));
}

void delFromStrList(std::wstring& list, const std::wstring& item, wchar_t separator) {
  delFromStrList(list, item, std::wstring(1, separator));
}

void delFromStrList(std::wstring& list, const std::wstring& item, const std::wstring& separator) {
  const std::size_t p = findItem(list, item, separator);
  if (p == std::wstring::npos) {
    throwRuntimeError(L"List does not contain " + item + L" item", site("Dravo::delFromStrList", __LINE__));
  }
  const std::size_t end = p + item.size();
  if (end < list.size()) list.erase(p, item.size() + separator.size());  // the item and the separator after it
  else if (p > 0) list.erase(p - separator.size());  // the last item and the separator before it
  else list.clear();
}

void replaceInStrList(std::wstring& list, const std::wstring& oldItem, const std::wstring& newItem, wchar_t separator) {
  const std::size_t p = findItem(list, oldItem, std::wstring(1, separator));
  if (p == std::wstring::npos) {
    throwRuntimeError(L"List does not contain " + oldItem + L" item", site("Dravo::replaceInStrList", __LINE__));
  }
  list.replace(p, oldItem.size(), newItem);
}

}  // namespace Dravo
