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

const std::vector<std::wstring> mailServices{L"DravoSMTP", L"DravoPOP3", L"DravoControl"};

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

void resetMailServices() {
  for (const std::wstring& name : mailServices) {
    setBehaviour(name, {});
    // Automatic services would start with the next Wine session and meet other tests.
    const ServiceHandle service = openService(name, SERVICE_CHANGE_CONFIG | SERVICE_QUERY_STATUS);
    ChangeServiceConfigW(service.get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr, nullptr);
    SERVICE_STATUS_PROCESS status{};
    DWORD size = 0;
    QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &size);
    const KernelHandle process(status.dwProcessId ? OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId) : nullptr);
    stopAndAwait(name);
    if (process) WaitForSingleObject(process.get(), 30000);  // else Wine refuses the next start
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
