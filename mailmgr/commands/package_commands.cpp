// The module's package descriptor "mailserver", as the control panel sees it.

#include <windows.h>

#include <map>
#include <memory>

#include "commands/command_sets.h"
#include "framework/invocation.h"
#include "framework/usage_error.h"
#include "interfaces/vpackage.h"

namespace mailmgr {
namespace {

struct ReleasePackage {
  void operator()(VPackage* package) const { package->release(); }
};
using PackagePtr = std::unique_ptr<VPackage, ReleasePackage>;

// The package from the loaded module, through its export as the panel gets it. The
// module stays loaded for the whole command through the invocation's provider.
PackagePtr openPackage(Invocation& in) {
  in.provider();
  const HMODULE module = GetModuleHandleW(in.modulePath().c_str());
  using PackageInfo = VPackage* (*)(HINSTANCE, const char*);
  const auto packageInfo =
      reinterpret_cast<PackageInfo>(reinterpret_cast<void*>(GetProcAddress(module, "VantoPackageInfo")));
  if (!packageInfo) throw UsageError{L"the module " + in.modulePath() + L" offers no package descriptor"};
  PackagePtr package(packageInfo(module, "mailserver"));
  if (!package) throw UsageError{L"the module does not know the package \"mailserver\""};
  return package;
}

int packageInfo(Invocation& in) {
  PackagePtr package = openPackage(in);
  const std::string name = package->GetName();
  const std::wstring wideName(name.begin(), name.end());
  const std::wstring description = package->GetDescription();
  const std::wstring version = package->GetVersion();
  const std::wstring status = package->GetStatus();
  if (in.json()) {
    in.print(Json{{"name", wideName},
                  {"description", description},
                  {"version", version},
                  {"status", status},
                  {"available", package->IsAvailable()}});
  } else {
    in.out().line(L"name:        " + wideName);
    in.out().line(L"description: " + description);
    in.out().line(L"version:     " + (version.empty() ? L"(none: not supported)" : version));
    in.out().line(L"status:      " + (status.empty() ? L"installed" : status));
  }
  return 0;
}

int packageGet(Invocation& in) {
  PackagePtr package = openPackage(in);
  const std::wstring& name = in.argument(0);
  const bool supported = package->IsPropertySupported(name);
  const std::wstring value = package->GetProperty(name);
  if (in.json())
    in.print(Json{{"property", name}, {"value", value}, {"supported", supported}});
  else
    in.out().line(name + L" = " + value + (supported ? L"" : L" (not supported by this mail server)"));
  return 0;
}

int packageSet(Invocation& in) {
  std::map<std::wstring, std::wstring> properties;
  for (const std::wstring& pair : in.arguments()) {
    const auto equals = pair.find(L'=');
    if (equals == std::wstring::npos) throw UsageError{L"expected NAME=VALUE, not '" + pair + L"'"};
    properties[pair.substr(0, equals)] = pair.substr(equals + 1);
  }
  PackagePtr package = openPackage(in);
  package->SetProperties(properties);
  if (in.json()) {
    Json set = Json::object();
    for (const auto& [name, value] : properties) set[toUtf8(name)] = value;
    in.print(Json{{"set", set}});
  } else {
    for (const auto& [name, value] : properties) in.out().line(name + L" <- " + value);
  }
  return 0;
}

// Setup, removal, keeping the settings and the update change the mail server itself.
int packageConfigure(Invocation& in) {
  const bool enable = in.flag(L"enable"), disable = in.flag(L"disable");
  if (enable == disable) throw UsageError{L"give exactly one of --enable and --disable"};
  PackagePtr package = openPackage(in);
  package->Configure(enable);
  const std::wstring done = enable ? L"set up for the control panel" : L"taken out of use";
  if (in.json())
    in.print(Json{{"configured", enable}});
  else
    in.out().line(L"mail server " + done);
  return 0;
}

int packageSaveSettings(Invocation& in) {
  PackagePtr package = openPackage(in);
  package->SaveSettings();
  if (in.json())
    in.print(Json{{"saved", true}});
  else
    in.out().line(L"mail settings kept in the control panel's mail archive");
  return 0;
}

int packageUpdate(Invocation& in) {
  PackagePtr package = openPackage(in);
  package->Update();
  if (in.json())
    in.print(Json{{"updated", true}});
  else
    in.out().line(L"mail configuration tool ran; server reloaded and kept settings restored");
  return 0;
}

}  // namespace

void addPackageCommands(CommandTable& table) {
  table.groups.push_back({L"package", L"The package descriptor \"mailserver\" the control panel sees"});
  table.commands.push_back({L"package", L"info", {}, {},
                            L"Show the package's name, description, version and status",
                            L"Asks the module's package descriptor what the control panel would see. The\n"
                            L"description and version come from the control panel's local service; a mail\n"
                            L"server older than 7.5.2 has no version and shows as not installed.",
                            packageInfo});
  table.commands.push_back({L"package", L"get",
                            {{L"PROPERTY", L"internal_antivirus or internal_spamassassin (any case)"}}, {},
                            L"Show a package property (\"true\" or \"false\")",
                            L"Reads one of the mail server's two switches through the package. Another name is\n"
                            L"a failure (exit status 1).",
                            packageGet});
  table.commands.push_back({L"package", L"set",
                            {{L"NAME=VALUE", L"a property and its value; only \"true\" switches on", false, true}}, {},
                            L"Set package properties",
                            L"Sets internal_spamassassin, then internal_antivirus, as given. Names are taken\n"
                            L"exactly as written; other names are ignored, as the control panel's package\n"
                            L"interface does.",
                            packageSet});
  table.commands.push_back({L"package", L"configure", {},
                            {{L"enable", L"", L"set the mail server up for the control panel"},
                             {L"disable", L"", L"take the mail server out of use"}},
                            L"Set the mail server up for the control panel, or take it out of use",
                            L"--enable stops the mail server's services, installs the panel's static filters\n"
                            L"(the previous file kept as staticfilters.dat.bak), switches event logging and a\n"
                            L"message size limit on, registers the module and starts the services as\n"
                            L"automatic. --disable sets the services to demand start and stops them.",
                            packageConfigure});
  table.commands.push_back({L"package", L"save-settings", {}, {},
                            L"Keep the mail settings in the archive before an update",
                            L"Writes the mail settings, mailboxes and mailing lists into the control panel's\n"
                            L"mail archive (tmp\\_MailArchive below the panel root), replacing an earlier one.",
                            packageSaveSettings});
  table.commands.push_back({L"package", L"update", {}, {},
                            L"Run the panel's mail configuration tool and restore the kept settings",
                            L"Runs vrok.exe of the panel; when it fails, its output is the error. Otherwise the\n"
                            L"mail server reloads its configuration and the settings kept by save-settings\n"
                            L"are loaded back; the archive is removed afterwards.",
                            packageUpdate});
}

}  // namespace mailmgr
