// The tour's section on the package descriptor "mailserver" that the control panel sees:
// its description and version come from the control panel's local service (the demo runs
// a stand-in of it), its two properties are switches of the mail server.

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "commands/tour.h"
#include "package/vpackage.h"

namespace mailmgr {
namespace {

struct ReleasePackage {
  void operator()(VPackage* package) const { package->release(); }
};

}  // namespace

void tourPackage(Tour& tour, Invocation& in) {
  in.provider();  // keeps the module loaded
  tour.section(L"The package the control panel sees");
  tour.say(L"A second entry point describes the mail server to the control panel as the package");
  tour.say(L"\"mailserver\", with the mail server's name and version from the panel's local service.");
  std::unique_ptr<VPackage, ReleasePackage> package;
  tour.step(L"Package", [&] {
    using PackageInfo = VPackage* (*)(HINSTANCE, const char*);
    const HMODULE module = GetModuleHandleW(in.modulePath().c_str());
    const auto entry =
        reinterpret_cast<PackageInfo>(reinterpret_cast<void*>(GetProcAddress(module, "VantoPackageInfo")));
    if (!entry) throw std::runtime_error("the module has no package entry point");
    package.reset(entry(module, "mailserver"));
    if (!package) throw std::runtime_error("the module does not know the package \"mailserver\"");
    const std::string name = package->GetName();
    return std::wstring(name.begin(), name.end());
  });
  if (!package) return;
  tour.step(L"Description", [&] { return package->GetDescription(); });
  tour.step(L"Version", [&] {
    const std::wstring version = package->GetVersion();
    return version.empty() ? std::wstring(L"(none: not supported)") : version;
  });
  tour.step(L"Status", [&] {
    const std::wstring status = package->GetStatus();
    return status.empty() ? std::wstring(L"installed") : status;
  });
  tour.step(L"Switch the internal antivirus on", [&] {
    package->SetProperties({{L"internal_antivirus", L"true"}});
    return L"internal_antivirus = " + package->GetProperty(L"internal_antivirus");
  });
  tour.step(L"And off again", [&] {
    package->SetProperties({{L"internal_antivirus", L"false"}});
    return L"internal_antivirus = " + package->GetProperty(L"internal_antivirus");
  });
}

}  // namespace mailmgr
