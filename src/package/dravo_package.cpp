#include "package/dravo_package.h"

#include <cstdio>
#include <tuple>

#include "platform/exceptions.h"
#include "platform/strings.h"

namespace {

constexpr const wchar_t* antivirusProperty = L"internal_antivirus";
constexpr const wchar_t* spamEngineProperty = L"internal_spamassassin";
constexpr const wchar_t* mailServerComponent = L"dravo";

bool atLeast761(int major, int minor, int build) { return std::tie(major, minor, build) >= std::make_tuple(7, 6, 1); }

}  // namespace

std::wstring supportedVersionText(const std::wstring& componentVersion) {
  int major = 0, minor = 0, build = 0;
  if (componentVersion.empty() || std::swscanf(componentVersion.c_str(), L"%d.%d.%d", &major, &minor, &build) < 3)
    return {};
  const auto version = std::tie(major, minor, build);
  if (version < std::make_tuple(7, 5, 2)) return {};
  if (!atLeast761(major, minor, build)) return componentVersion + L" (limited supported)";
  return componentVersion;
}

VDravoPackage::VDravoPackage(HINSTANCE module, std::unique_ptr<PackageHost> host)
    : module_(module), host_(std::move(host)) {}

std::string VDravoPackage::GetName() { return packageName; }

std::wstring VDravoPackage::GetDescription() {
  const std::wstring name = host_->componentInfo(mailServerComponent, 0);
  if (name.empty()) return L"Dravo Mail Server";
  return name + L" " + GetVersion();
}

std::wstring VDravoPackage::GetVersion() { return supportedVersionText(host_->componentInfo(mailServerComponent, 1)); }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdelete-non-virtual-dtor"
void VDravoPackage::destroy(unsigned flags) {
  if (flags & 1)
    delete this;
  else
    this->~VDravoPackage();
}
#pragma GCC diagnostic pop

// Configure, Update and SaveSettings change the mail server itself: mail_server_update.cpp.

std::wstring VDravoPackage::GetProperty(const std::wstring& name) {
  bool on = false;
  if (equalsNoCase(name, spamEngineProperty))
    on = host_->internalSpamAssassin();
  else if (equalsNoCase(name, antivirusProperty))
    on = host_->internalAntivirus();
  else
    throwRuntimeError(L"Invalid argument " + name + L" at call VPackage::GetProperty. Package::GetDescription is " +
                          GetDescription(),
                      site("VPackage::GetProperty", 122));
  return on ? L"true" : L"false";
}

bool VDravoPackage::SetProperties(const std::map<std::wstring, std::wstring>& properties) {
  // Keys are matched exactly here, unlike GetProperty; only the value "true" switches on.
  if (const auto spam = properties.find(spamEngineProperty); spam != properties.end())
    host_->internalSpamAssassin(spam->second == L"true");
  if (const auto antivirus = properties.find(antivirusProperty); antivirus != properties.end())
    host_->internalAntivirus(antivirus->second == L"true");
  return true;
}

bool VDravoPackage::IsPropertySupported(const std::wstring& name) {
  if (!equalsNoCase(name, spamEngineProperty)) return true;
  int major = 0, minor = 0, build = 0;
  host_->mailServerVersion(major, minor, build);
  return atLeast761(major, minor, build);
}

bool VDravoPackage::IsAvailable() { return true; }

std::wstring VDravoPackage::GetStatus() { return GetVersion().empty() ? L"not_installed" : L""; }
