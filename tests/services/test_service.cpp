#include "services/test_service.h"

#include <stdexcept>

#include "platform/owner.h"

namespace {

const std::wstring settingsRoot = L"SOFTWARE\\Dravo Standin\\Services\\";

// The build path of the stand-in as a path of the Wine prefix's Z: drive.
std::wstring programPath() {
  std::string unix = STANDIN_SERVICE_PROGRAM;
  std::wstring path = L"Z:";
  for (char c : unix) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

void setValue(HKEY key, const wchar_t* name, DWORD value) {
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

void setBehaviour(const std::wstring& name, const ServiceBehaviour& b) {
  RegKey key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (settingsRoot + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write the stand-in service's settings");
  setValue(key.get(), L"StartDelay", b.startDelay);
  setValue(key.get(), L"StopDelay", b.stopDelay);
  setValue(key.get(), L"StartWaitHint", b.startWaitHint);
  setValue(key.get(), L"StopWaitHint", b.stopWaitHint);
  setValue(key.get(), L"StartStall", b.startStall);
  setValue(key.get(), L"StopStall", b.stopStall);
  setValue(key.get(), L"RefuseStart", b.refuseStart);
}

DWORD currentState(const std::wstring& name) {
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(scm ? OpenServiceW(scm.get(), name.c_str(), SERVICE_QUERY_STATUS) : nullptr);
  SERVICE_STATUS status{};
  if (!service || !QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

bool awaitState(const std::wstring& name, DWORD state, DWORD ms) {
  for (DWORD waited = 0; waited <= ms; waited += 50) {
    if (currentState(name) == state) return true;
    Sleep(50);
  }
  return false;
}

bool startRaw(const std::wstring& name) {
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(scm ? OpenServiceW(scm.get(), name.c_str(), SERVICE_START) : nullptr);
  if (!service) return false;
  // Wine refuses a start (1056) while the process of the last run has not ended yet.
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (StartServiceW(service.get(), 0, nullptr)) return true;
    if (GetLastError() != ERROR_SERVICE_ALREADY_RUNNING || currentState(name) != SERVICE_STOPPED) return false;
    Sleep(50);
  }
  return false;
}

void stopAndAwait(const std::wstring& name) {
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(scm ? OpenServiceW(scm.get(), name.c_str(), SERVICE_STOP | SERVICE_PAUSE_CONTINUE) : nullptr);
  if (!service) return;
  SERVICE_STATUS status{};
  if (currentState(name) == SERVICE_PAUSED) ControlService(service.get(), SERVICE_CONTROL_CONTINUE, &status);
  ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
  awaitState(name, SERVICE_STOPPED, 30000);
}

TestService::TestService(const std::wstring& label, const ServiceBehaviour& behaviour)
    : name_(L"DravoTest" + label + std::to_wstring(GetCurrentProcessId())) {
  setBehaviour(name_, behaviour);
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
  const std::wstring command = L"\"" + programPath() + L"\" run " + name_;
  ServiceHandle service(scm ? CreateServiceW(scm.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                             SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                             command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr)
                                : nullptr);
  if (!service) throw std::runtime_error("cannot create the test service");
}

TestService::~TestService() {
  stopAndAwait(name_);
  ServiceHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ServiceHandle service(scm ? OpenServiceW(scm.get(), name_.c_str(), DELETE) : nullptr);
  if (service) DeleteService(service.get());
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, (settingsRoot + name_).c_str());
}
