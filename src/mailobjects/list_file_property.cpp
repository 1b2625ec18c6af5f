#include "mailobjects/list_file_property.h"

#include <cwchar>
#include <string>

#include "platform/registry.h"

namespace Dravo {

MailServerVersion readMailServerVersion() {
  MailServerVersion version;
  std::wstring text;
  if (registry::lookup(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Brandix\\Dravo Mail Server", L"Version", text, REG_SZ) == 0) {
    std::swscanf(text.c_str(), L"%d.%d", &version.major, &version.minor);
  }
  return version;
}

const MailServerVersion& mailServerVersion() {
  static const MailServerVersion version = readMailServerVersion();
  return version;
}

const wchar_t* listFilePropertyFor(int major) { return major < 8 ? L"M_MailingListFile" : L"M_ListFile"; }

const wchar_t* listFileProperty() { return listFilePropertyFor(mailServerVersion().major); }

}  // namespace Dravo
