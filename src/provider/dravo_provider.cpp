#include "provider/dravo_provider.h"

#include <objbase.h>

#include <algorithm>
#include <array>
#include <cwchar>

#include "platform/exceptions.h"
#include "platform/registry.h"
#include "automation/server_directories.h"

namespace Dravo {
namespace {

constexpr wchar_t serverKey[] = L"SOFTWARE\\Brandix\\Dravo Mail Server";

// The mail manager's numbers of the optional abilities this provider offers, in the
// order the manager's documentation lists them.
constexpr std::array<int, 65> supportedCodes = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 21, 22, 23,
    24, 25, 26, 27, 28, 29, 30, 31, 32, 34, 35, 36, 37, 38, 39, 40, 42, 43, 45, 47, 48, 49,
    50, 53, 54, 56, 59, 60, 61, 62, 63, 64, 65, 66, 67, 69, 70, 71, 74, 75, 72, 76, 77};

[[noreturn]] void notSupported(const char* function, std::uint32_t line) {
  throwRuntimeError(L"Not supported", site(function, line));
}

}  // namespace

DravoProvider::DravoProvider() {
  // An already initialised thread is fine; nothing here ever uninitialises COM.
  (void)CoInitialize(nullptr);
}

bool DravoProvider::productInfo(std::wstring& name, std::wstring& version) {
  if (registry::lookup(HKEY_LOCAL_MACHINE, serverKey, L"Version", version, REG_SZ) != ERROR_SUCCESS) return false;
  name = L"Dravo Mail Server";
  return true;
}

void DravoProvider::getVersion(int& major, int& minor, int& build) {
  std::wstring name, version;
  if (productInfo(name, version) && !version.empty()) {
    int numbers[3];
    if (std::swscanf(version.c_str(), L"%d.%d.%d", &numbers[0], &numbers[1], &numbers[2]) >= 3) {
      major = numbers[0];
      minor = numbers[1];
      build = numbers[2];
      return;
    }
  }
  throwRuntimeError(L"Unknown Dravo version", site("Dravo::DravoProvider::getVersion", 986));
}

bool DravoProvider::isSupported(int code) {
  return std::find(supportedCodes.begin(), supportedCodes.end(), code) != supportedCodes.end();
}

std::wstring DravoProvider::serviceName(int kind) {
  switch (kind) {
    case 0: return L"DravoSMTP";
    case 1: return L"DravoPOP3";
    case 2:
    case 3: return L"dravo";
    default: return {};
  }
}

void DravoProvider::allRelayBlackList(StringList&) { notSupported("Dravo::DravoProvider::allRelayBlackList", 406); }
void DravoProvider::addRelayBlackList(const std::wstring&) {
  notSupported("Dravo::DravoProvider::addRelayBlackList", 411);
}
void DravoProvider::delRelayBlackList(const std::wstring&) {
  notSupported("Dravo::DravoProvider::delRelayBlackList", 416);
}
void DravoProvider::accountsFormat() { notSupported("Dravo::DravoProvider::accountsFormat", 454); }

int DravoProvider::providerRevision() { return 1; }

std::wstring DravoProvider::mailPath() { return Dravo::mailPath(); }

// The table has no destructor entry: the object ends its own life here, and nothing of
// this module derives from it with state of its own.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
void DravoProvider::release() { delete this; }
#pragma GCC diagnostic pop

}  // namespace Dravo
