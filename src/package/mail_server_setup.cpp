// Preparing the mail server for use with the control panel, and taking it out of use.

#include <cstdio>
#include <functional>

#include "automation/automation_objects.h"
#include "package/dravo_package.h"
#include "package/static_filters.h"
#include "platform/config_key.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/log_manager.h"
#include "platform/registry.h"
#include "platform/system_paths.h"
#include "automation/server_directories.h"
#include "platform/service_control.h"
#include "srvclient/vanto_srv_client.h"

namespace {

StringList mailServerServices(PackageHost& host) {
  StringList names;
  host.provider()->services(names, 3);
  return names;
}

// Servers from 7.6.1 on have the internal spam engine, which the panel's filters replace.
// Each number is tested by itself, as the panel has always done.
bool hasSpamEngine(const std::wstring& version) {
  int major = 0, minor = 0, build = 0;
  if (version.empty() || std::swscanf(version.c_str(), L"%d.%d.%d", &major, &minor, &build) < 3) return false;
  return major > 7 || minor > 6 || build >= 1;
}

// Event logging on, a message size limit in force and the spam engine off where there is one.
// The version is asked of the panel only once the other settings are written.
void configureForPanel(VPackage& package) {
  Dravo::ApiObject api;
  api.setProperty(L"C_Config_EventLog_SMTP", Variant::ofInt(3));
  api.setProperty(L"C_Config_EventLog_POP3", Variant::ofInt(3));
  if (api.getNumber(L"C_Config_Exchange_MaxData") <= 0) {
    api.setProperty(L"C_Config_Exchange_MaxData", Variant::ofInt(1));
    api.setProperty(L"C_Config_Exchange_MaxDataSize", Variant::ofInt(5120000));
  }
  if (hasSpamEngine(package.GetVersion())) api.setProperty(L"C_SpamEngine", Variant::ofInt(0));
  api.updateConfiguration();
  api.save();
  if (api.lastErr() < 0)
    throwRuntimeError(L"Can't setup Dravo Mail Server for use with Vanto", site("VDravoPackage::setupMailServer", 263));
}

// Runs one step for one service. A failure, also one raised, is logged and counts against
// that service alone, so that every other service is still handled.
bool succeeded(const std::function<bool()>& step) {
  try {
    return step();
  } catch (const vexception& e) {
    LogManager::instance().log(3, e);
    return false;
  }
}

}  // namespace

void VDravoPackage::setupMailServer() {
  const StringList services = mailServerServices(*host_);
  for (const std::wstring& name : services) {
    succeeded([&] { return service::controlService(SERVICE_CONTROL_STOP, name.c_str(), nullptr, nullptr) == 0; });
  }

  const TemplateVariables variables{{L"filter-dll-path", panelProgramDir() + L"\\dravomailfilter.dll"}};
  installStaticFilters(VFileName::combine(panelAdminDir(), L"conf\\staticfilters.dat"),
                       Dravo::configPath() + L"staticfilters.dat", variables);
  configureForPanel(*this);

  // Its result is not looked at: a registration that could not be written does not fail the setup.
  registry::write(HKEY_LOCAL_MACHINE, configKeyPath, L"MAIL_PROVIDERW_DLL", moduleName(module_));

  // A start type that cannot be set still leaves the start to be tried; either failure
  // names the service.
  std::wstring failures;
  for (const std::wstring& name : services) {
    const bool automatic = succeeded([&] {
      service::changeStartType(SERVICE_AUTO_START, name.c_str(), nullptr, nullptr);
      return true;
    });
    const bool started = succeeded([&] { return service::startService(name.c_str(), nullptr, nullptr) == 0; });
    if (!automatic || !started) failures += L"Start service failed for " + name + L"\r\n";
  }
  if (!failures.empty()) throwRuntimeError(failures, site("VDravoPackage::setupMailServer", 298));
}

void VDravoPackage::removeMailServer() {
  std::wstring failures;
  for (const std::wstring& name : mailServerServices(*host_)) {
    const bool onDemand = succeeded([&] {
      service::changeStartType(SERVICE_DEMAND_START, name.c_str(), nullptr, nullptr);
      return true;
    });
    const bool stopped =
        succeeded([&] { return service::controlService(SERVICE_CONTROL_STOP, name.c_str(), nullptr, nullptr) == 0; });
    if (!onDemand || !stopped) failures += L"Stop service failed for " + name + L"\r\n";
  }
  if (!failures.empty()) throwRuntimeError(failures, site("VDravoPackage::removeMailServer", 320));
}
