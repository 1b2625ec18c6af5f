// Provider operations on the mail server's services, and emptying the server.

#include <list>
#include <string>

#include "automation/automation_objects.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/file_operations.h"
#include "platform/files_of_dir.h"
#include "provider/dravo_provider.h"
#include "automation/server_directories.h"
#include "platform/service_control.h"

namespace Dravo {
namespace {

// The system name of the mail manager's service kind, or null for an unknown kind.
const wchar_t* systemName(const std::wstring& kind) {
  if (kind == L"SMTP") return L"DravoSMTP";
  if (kind == L"POP3") return L"DravoPOP3";
  return nullptr;
}

}  // namespace

bool DravoProvider::isStarted(const std::wstring& kind) {
  const wchar_t* name = systemName(kind);
  if (!name)
    throwOsError(L"QueryStatusService for service " + kind, ERROR_INVALID_PARAMETER,
                 site("Dravo::DravoProvider::isStarted", 870));
  SERVICE_STATUS status{};
  service::queryStatusService(status, name, nullptr, nullptr);
  return status.dwCurrentState == SERVICE_START_PENDING || status.dwCurrentState == SERVICE_RUNNING ||
         status.dwCurrentState == SERVICE_CONTINUE_PENDING;
}

void DravoProvider::start(const std::wstring& kind, bool start) {
  const std::wstring verb = start ? L"Start" : L"Stop";
  const wchar_t* name = systemName(kind);
  if (!name)
    throwOsError(verb + L" service '" + kind + L"'", ERROR_INVALID_PARAMETER,
                 site("Dravo::DravoProvider::start", 899));
  const DWORD result = start ? service::startService(name, nullptr, nullptr)
                             : service::controlService(SERVICE_CONTROL_STOP, name, nullptr, nullptr);
  if (result != 0)
    throwOsError(verb + L" service '" + kind + L"'(system name is '" + name + L"')", result,
                 site("Dravo::DravoProvider::start", 903));
}

void DravoProvider::services(StringList& names, unsigned char flags) {
  if (!(flags & 1)) return;
  names.push_back(L"DravoSMTP");
  names.push_back(L"DravoPOP3");
  for (const wchar_t* optional : {L"DravoCalendar", L"DravoIM"})
    if (service::exist(optional, nullptr, nullptr)) names.push_back(optional);
  names.push_back(L"DravoControl");
}

void DravoProvider::removeAllDomains() {
  StringList all;
  services(all, 3);
  // Whatever fails below leaves the services stopped so far stopped.
  StringList stopped;
  for (const std::wstring& name : all) {
    if (service::effStatus(name.c_str(), nullptr, nullptr) != 0) continue;
    service::controlService(SERVICE_CONTROL_STOP, name.c_str(), nullptr, nullptr);
    stopped.push_back(name);
  }
  const std::wstring config = configPath();
  const std::wstring domainsFile = VFileName::combine(config, L"domains.cfg");
  if (pathExists(domainsFile)) removeFile(domainsFile, true);
  std::list<std::wstring> directories;
  filesOfDir(directories, config, listDirectories, L"*.*");
  for (const std::wstring& directory : directories)
    if (!directory.empty() && pathExists(directory)) removeDir(directory, true);
  {
    ApiObject api;
    api.done();
    api.init();
  }
  for (const std::wstring& name : stopped) service::startService(name.c_str(), nullptr, nullptr);
}

}  // namespace Dravo
