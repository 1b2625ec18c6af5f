#include "mailobjects/list_file_property.h"

#include <cwchar>
#include <string>

#include "platform/registry.h"

namespace Dravo {
namespace {

struct Version {
  int major = 7;
  int minor = 0;
};

Version readVersion() {
  Version version;
  std::wstring text;
  if (registry::lookup(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Brandix\\Dravo Mail Server", L"Version", text, REG_SZ) == 0) {
    std::swscanf(text.c_str(), L"%d.%d", &version.major, &version.minor);
  }
  return version;
}

}  // namespace

const wchar_t* listFileProperty() {
  static const Version version = readVersion();
  return version.major < 8 ? L"M_MailingListFile" : L"M_ListFile";
}

}  // namespace Dravo
