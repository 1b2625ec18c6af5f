// The tour's section on the package descriptor "mailserver" that the control panel sees:
// its description and version come from the control panel's local service (the demo runs
// a stand-in of it), its two properties are switches of the mail server.

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "commands/mail_objects.h"
#include "commands/tour.h"
#include "interfaces/vpackage.h"
#include "platform/config_key.h"
#include "platform/directories.h"
#include "platform/registry.h"
#include "platform/vfile.h"

namespace mailmgr {
namespace {

struct ReleasePackage {
  void operator()(VPackage* package) const { package->release(); }
};

constexpr wchar_t domain[] = L"update.example.com";
constexpr char storedMail[] = "From: a@example.org\r\nSubject: kept over the update\r\n\r\nHello.\r\n";

std::wstring mailFile(MailProvider& provider) {
  std::wstring path = provider.mailPath();
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path + domain + L"\\keep\\inbox\\1.eml";
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The full cycle of a mail-server update: set up for the panel, the mail kept aside, the
// panel's mail-configuration tool run, the server reloaded and the mail brought back.
void updateCycle(Tour& tour, MailProvider& provider, VPackage& package) {
  tour.say(L"Setting the mail server up for the panel makes its services start with Windows,");
  tour.say(L"installs the panel's static filters and names this module in the panel's registry.");
  tour.step(L"Set up for the panel", [&] {
    package.Configure(true);
    std::wstring states;
    for (const wchar_t* kind : {L"SMTP", L"POP3"})
      states += (states.empty() ? L"" : L", ") + std::wstring(kind) + (provider.isStarted(kind) ? L" running" : L" stopped");
    return states + L"; static filters installed";
  });
  tour.step(L"MAIL_PROVIDERW_DLL", [&] {
    return registry::getstr(HKEY_LOCAL_MACHINE, configKeyPath, L"MAIL_PROVIDERW_DLL", REG_SZ);
  });
  tour.say(L"An update keeps every mailbox aside, runs the panel's tool, makes the server read its");
  tour.say(L"configuration again and brings the mail back.");
  tour.step(L"A mailbox with mail", [&] {
    StringList existing;
    provider.domains(existing);
    for (const std::wstring& name : existing) {
      if (name == domain) provider.removeDomain(domain);
    }
    hold(provider.createDomain(domain, 0), domain);
    hold(provider.createMailName(L"keep", domain, 0), L"keep");
    const std::wstring file = mailFile(provider);
    makeDirs(file.substr(0, file.find_last_of(L'\\')));
    VFile(file, GENERIC_WRITE, 0, CREATE_ALWAYS).write(storedMail, sizeof storedMail - 1);
    return std::wstring(L"keep@") + domain + L", 1 mail";
  });
  tour.step(L"Save the settings", [&] {
    package.SaveSettings();
    return std::wstring(L"saved into the archive below the panel's root");
  });
  tour.step(L"Mailbox emptied", [&] {
    removeDir(mailFile(provider).substr(0, mailFile(provider).find_last_of(L'\\')), true);
    return exists(mailFile(provider)) ? std::wstring(L"still there") : std::wstring(L"no mail left");
  });
  tour.step(L"Update", [&] {
    package.Update();
    return std::wstring(L"the panel's tool ran, the server reloaded, the archive loaded");
  });
  tour.step(L"Mailbox after the update", [&] {
    std::string text;
    VFile(mailFile(provider), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING).readAll(text);
    if (text != storedMail) throw Failure{L"the mail came back changed"};
    return std::wstring(L"the mail is back, byte for byte");
  });
  tour.step(L"Remove the domain", [&] {
    provider.removeDomain(domain);
    return std::wstring(L"removed");
  });
}

}  // namespace

void tourPackage(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();  // also keeps the module loaded
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
  updateCycle(tour, provider, *package);
}

}  // namespace mailmgr
