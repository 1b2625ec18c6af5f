#include "platform/unicode_name.h"

#include <idn-free.h>
#include <idna.h>

#include <memory>

#include "platform/exceptions.h"
#include "platform/strings.h"

namespace Dravo {
namespace {

struct IdnFree {
  void operator()(char* p) const noexcept { idn_free(p); }
};

}  // namespace

std::wstring unicodeForm(const std::wstring& name) {
  const std::string ansi = toNarrow(name, CP_ACP);
  char* output = nullptr;
  const int rc = idna_to_unicode_8z8z(ansi.c_str(), &output, 0);
  const std::unique_ptr<char, IdnFree> owned(output);
  if (rc == IDNA_MALLOC_ERROR) throw vexception(L"Memory allocation failed at convert: (" + name + L").");
  if (!output) throw vexception(L"Unable to convert to UTF8 from (" + name + L").");
  return toWide(output, CP_UTF8);
}

std::wstring withUnicodeForm(const std::wstring& name) { return name + L" [" + unicodeForm(name) + L"]"; }

}  // namespace Dravo
