#include "services/test_service.h"

#include <stdexcept>

#include "platform/owner.h"

namespace {

const std::wstring settingsRoot = L"SOFTWARE\\Dravo Standin\\Services\\";

ServiceHandle openService(const std::wstring& name, DWORD access) {
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  return ServiceHandle(scm ? OpenServiceW(scm.get(), name.c_str(), access) : nullptr);
}

}  // namespace

void setBehaviour(const std::wstring& name, const ServiceBehaviour& b) {
  RegKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (settingsRoot + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write the stand-in service's settings");
  const std::pair<const wchar_t*, DWORD> values[] = {
      {L"StartDelay", b.startDelay}, {L"StopDelay", b.stopDelay},   {L"StartWaitHint", b.startWaitHint},
      {L"StopWaitHint", b.stopWaitHint}, {L"StartStall", b.startStall}, {L"StopStall", b.stopStall},
      {L"RefuseStart", b.refuseStart}};
  for (const auto& [value, data] : values)
    RegSetValueExW(key.get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

DWORD currentState(const std::wstring& name) {
  const ServiceHandle service = openService(name, SERVICE_QUERY_STATUS);
  SERVICE_STATUS status{};
  return service && QueryServiceStatus(service.get(), &status) ? status.dwCurrentState : 0;
}

void stopAndAwait(const std::wstring& name) {
  SERVICE_STATUS status{};
  if (const ServiceHandle service = openService(name, SERVICE_STOP | SERVICE_PAUSE_CONTINUE)) {
    if (currentState(name) == SERVICE_PAUSED) ControlService(service.get(), SERVICE_CONTROL_CONTINUE, &status);
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    for (DWORD waited = 0; currentState(name) != SERVICE_STOPPED && waited < 30000; waited += 50) Sleep(50);
  }
}

bool startAndAwait(const std::wstring& name) {
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(scm ? OpenServiceW(scm.get(), name.c_str(), SERVICE_START) : nullptr);
  if (!service) return false;
  // Wine refuses a start (1056) while the process of the service's last run is still ending.
  for (int attempt = 0; !StartServiceW(service.get(), 0, nullptr); ++attempt) {
    if (GetLastError() != ERROR_SERVICE_ALREADY_RUNNING || attempt == 100) return false;
    Sleep(50);
  }
  for (DWORD waited = 0; currentState(name) != SERVICE_RUNNING; waited += 50) {
    if (waited >= 30000) return false;
    Sleep(50);
  }
  return true;
}

void resetMailServices() {
  for (const wchar_t* name : {L"DravoSMTP", L"DravoPOP3", L"DravoControl"}) {
    setBehaviour(name, {});
    stopAndAwait(name);
  }
}

TestService::TestService(const std::wstring& label, const ServiceBehaviour& behaviour)
    : name_(L"DravoTest" + label + std::to_wstring(GetCurrentProcessId())) {
  setBehaviour(name_, behaviour);
  std::wstring command = L"\"Z:";  // the stand-in's build path on the Wine prefix's Z: drive
  for (const char c : std::string(STANDIN_SERVICE_PROGRAM)) command += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  command += L"\" run " + name_;
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  if (!scm || !ServiceHandle(CreateServiceW(scm.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                            command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr)))
    throw std::runtime_error("cannot create the test service");
}

TestService::~TestService() {
  stopAndAwait(name_);
  if (const ServiceHandle service = openService(name_, DELETE)) DeleteService(service.get());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (settingsRoot + name_).c_str());
}
