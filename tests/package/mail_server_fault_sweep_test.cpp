// Each step of setting the mail server up, taking it out of use and updating it, made to
// fail in turn: the text names the failing step; what was written before it stays, nothing
// after it is done, a service's failure is collected while every other service is still
// handled, and the mail kept for an update survives a failed update.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>

#include "automation/automation_objects.h"
#include "package/dravo_package.h"
#include "package/panel_standin.h"
#include "package/static_filters.h"
#include "platform/caught.h"
#include "platform/config_key.h"
#include "platform/import_fault.h"
#include "platform/registry.h"
#include "platform/service_control.h"
#include "platform/strings.h"
#include "provider/mail_server_host.h"
#include "services/fake_clock.h"
#include "services/test_service.h"
#include "support/standin_server.h"

namespace {

using OpenFault = ImportFault<HANDLE, const wchar_t*, DWORD, DWORD, SECURITY_ATTRIBUTES*, DWORD, DWORD, HANDLE>;
using StartFault = ImportFault<BOOL, SC_HANDLE, DWORD, const wchar_t**>;
using ControlFault = ImportFault<BOOL, SC_HANDLE, DWORD, SERVICE_STATUS*>;
using QueryFault = ImportFault<BOOL, SC_HANDLE, SERVICE_STATUS*>;
using ConfigFault = ImportFault<BOOL, SC_HANDLE, DWORD, DWORD, DWORD, const wchar_t*, const wchar_t*, DWORD*,
                                const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*>;

using Armed = std::shared_ptr<void>;  // a fault in force while it lives
template <class Fault>
std::function<Armed()> nth(const char* function, int n, DWORD code) {
  return [=] { return std::make_shared<Fault>("advapi32.dll", function, Fault::failNth(n, FALSE, code)); };
}
const std::wstring refused = L"COM Error 80004005 (Call failed., refused)";

class MailServerFaultSweep : public StandinTest {
 protected:
  ~MailServerFaultSweep() override {
    reset();
    package->release();
  }
  // The services reset, the module not registered, no message size limit, and the filter
  // file and its backup as an earlier set-up left them.
  void reset() {
    resetMailServices();
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, configKeyPath, L"MAIL_PROVIDERW_DLL");
    std::ofstream(filters.c_str(), std::ios::binary) << "previous";
    std::ofstream((filters + L".bak").c_str(), std::ios::binary) << "older";
    server.control().resetFaults();
    Dravo::ApiObject api;
    api.setProperty(L"C_Config_Exchange_MaxData", Variant::ofInt(0));
    api.save();
  }
  std::function<Armed()> refuses(const wchar_t* member, int n) {
    return [=, this] { return server.failInvoke(member, n, E_FAIL, L"refused"), nullptr; };
  }
  // The filter file and its backup, each service's start type and state, the registration.
  std::string state() const {
    const auto label = [&](const std::wstring& path) {
      const std::string content = ScratchDir::content(path);
      return content == installed ? "new" : content == "<missing>" || content == "previous" || content == "older" ? content : "partial";
    };
    std::string services;
    for (const std::wstring& name : mailServices) {
      services += service::serviceStartupType(name.c_str(), nullptr, nullptr) == SERVICE_AUTO_START ? 'A' : 'D';
      services += currentState(name) == SERVICE_RUNNING ? "R " : "S ";
    }
    std::wstring module;
    registry::lookup(HKEY_LOCAL_MACHINE, configKeyPath, L"MAIL_PROVIDERW_DLL", module, REG_SZ);
    return label(filters) + " " + label(filters + L".bak") + " " + services + (module.empty() ? "unregistered" : "registered");
  }

  PanelStandin panel;
  VPackage* package = new VDravoPackage(GetModuleHandleW(nullptr), makeMailServerHost());
  const std::wstring filters = server.configPath() + L"\\staticfilters.dat";
  const std::string installed = toNarrow(fillTemplate(toWide(ScratchDir::content(panel.path(L"admin\\conf\\staticfilters.dat")), CP_ACP),
                                                      {{L"filter-dll-path", panel.root() + L"\\admin\\bin\\dravomailfilter.dll"}}), CP_ACP);
};

// The stop of the second service is taken and then stalls: the service reports a pending
// stop without progress, while the clock runs fast.
struct StalledStop {
  static inline SC_HANDLE stalled = nullptr;
  const FakeClock clock;
  const ControlFault control{"advapi32.dll", "ControlService", [](SC_HANDLE service, DWORD, SERVICE_STATUS* status) -> std::optional<BOOL> {
    if (ControlFault::calls() != 2) return std::nullopt;
    stalled = service;
    return status->dwCurrentState = SERVICE_STOP_PENDING, TRUE;
  }};
  const QueryFault query{"advapi32.dll", "QueryServiceStatus", [](SC_HANDLE service, SERVICE_STATUS* status) -> std::optional<BOOL> {
    if (service != stalled) return std::nullopt;
    *status = {SERVICE_WIN32_OWN_PROCESS, SERVICE_STOP_PENDING, SERVICE_ACCEPT_STOP, 0, 0, 1, 0};
    return TRUE;
  }};
};

TEST_F(MailServerFaultSweep, EachStepOfSetupAndRemovalFailsInTurn) {
  const auto held = [&](const std::wstring& path) {
    return [=] { return std::make_shared<FileHandle>(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)); };
  };
  const std::wstring bak = filters + L".bak";
  const std::wstring startFailed = L"Run-Time error: Start service failed for DravoPOP3\r\n" + at("VDravoPackage::setupMailServer", 298);
  const std::wstring stopFailed = L"Run-Time error: Stop service failed for DravoPOP3\r\n" + at("VDravoPackage::removeMailServer", 320);
  const char* const written = "new previous DS DS DS unregistered";
  const struct {
    const char* fault;
    bool setup;  // else the removal
    std::function<Armed()> arm;
    std::wstring text;
    const char* state;
  } rows[] = {
      // A service that cannot be stopped before the set-up is no reason to stop it.
      {"stop before the set-up", true, nth<ControlFault>("ControlService", 1, ERROR_SERVICE_CANNOT_ACCEPT_CTRL), L"<no failure>",
       "new previous AR AR AR registered"},
      {"configuration folder asked", true, refuses(L"GetProperty", 1), refused, "previous older DS DS DS unregistered"},
      {"backup held", true, held(bak), osText(ERROR_SHARING_VIOLATION, L"DeleteFile '" + bak + L"'") + at("removeFile", 512),
       "previous older DS DS DS unregistered"},
      {"filter file held", true, held(filters),
       osText(ERROR_SHARING_VIOLATION, L"rename file " + filters + L" to " + bak) + at("renameFile", 111),
       "previous <missing> DS DS DS unregistered"},
      {"filter file not made", true,
       [&] {
         return std::make_shared<OpenFault>("kernel32.dll", "CreateFileW", [f = filters](const wchar_t* path, auto...) -> std::optional<HANDLE> {
           if (f != path) return std::nullopt;
           return SetLastError(ERROR_ACCESS_DENIED), INVALID_HANDLE_VALUE;
         });
       },
       osText(ERROR_ACCESS_DENIED, L"Open file '" + filters + L"'") + at("VFile::open", 87), "<missing> previous DS DS DS unregistered"},
      {"filter file written in part", true, [] { return std::make_shared<WriteFault>("kernel32.dll", "WriteFile", shortWrites(true)); },
       osText(ERROR_DISK_FULL, L"Write to file '" + filters + L"'") + at("VFile::write", 113), "partial previous DS DS DS unregistered"},
      {"event log of SMTP", true, refuses(L"SetProperty", 1), refused, written},
      {"event log of POP3", true, refuses(L"SetProperty", 2), refused, written},
      {"message size read", true, refuses(L"GetProperty", 2), refused, written},
      {"message size switch", true, refuses(L"SetProperty", 3), refused, written},
      {"message size", true, refuses(L"SetProperty", 4), refused, written},
      {"spam engine", true, refuses(L"SetProperty", 5), refused, written},
      {"configuration read again", true, refuses(L"UpdateConfiguration", 1), refused, written},
      {"save", true, refuses(L"Save", 1), refused, written},
      {"result of the save", true, refuses(L"LastErr", 1), refused, written},
      // Every service is tried; the one whose start type or start failed is named.
      {"start type of POP3", true, nth<ConfigFault>("ChangeServiceConfigW", 2, ERROR_SERVICE_DATABASE_LOCKED), startFailed,
       "new previous AR DR AR registered"},
      {"start of POP3 refused", true, nth<StartFault>("StartServiceW", 2, ERROR_SERVICE_DISABLED), startFailed,
       "new previous AR AS AR registered"},
      {"removal: start type of POP3", false, nth<ConfigFault>("ChangeServiceConfigW", 2, ERROR_SERVICE_DATABASE_LOCKED), stopFailed,
       "previous older DS AS DS unregistered"},
      {"removal: stop of POP3 refused", false, nth<ControlFault>("ControlService", 2, ERROR_SERVICE_CANNOT_ACCEPT_CTRL), stopFailed,
       "previous older DS DS DS unregistered"},
      {"removal: stop of POP3 stalls", false, [] { return std::make_shared<StalledStop>(); }, stopFailed,
       "previous older DS DS DS unregistered"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fault);
    reset();
    if (!row.setup)
      for (const std::wstring& name : mailServices) service::changeStartType(SERVICE_AUTO_START, name.c_str(), nullptr, nullptr);
    std::wstring text;
    {
      const Armed armed = row.arm();
      text = anyFailureText([&] { package->Configure(row.setup); });
    }
    EXPECT_EQ(text, row.text);
    EXPECT_EQ(state(), row.state);
  }
}

// The mail kept aside for an update stays there for the next one, whichever step fails.
TEST_F(MailServerFaultSweep, AFailedUpdateKeepsTheMailAside) {
  const std::wstring noTemp = panel.path(L"no-such-folder"), tool = panel.path(L"admin\\bin\\vrok.exe");
  const std::tuple<const char*, std::function<Armed()>, std::wstring> faults[] = {
      {"the server's reload", refuses(L"Done", 1), refused},
      {"the server's start", refuses(L"Init", 1), refused},
      {"the load", [&] {
         SetEnvironmentVariableW(L"TMP", noTemp.c_str());
         return std::shared_ptr<void>(nullptr, [](void*) { SetEnvironmentVariableW(L"TMP", nullptr); });
       },
       osText(ERROR_DIRECTORY, L"GetTempFileName in " + noTemp + L"\\") + at("tempFileName", 174)},
      // The interpreter that runs the tool reports the missing program on its error output.
      {"the tool missing", [&] { return DeleteFileW(tool.c_str()), nullptr; },
       L"Run-Time error: vrok.exe failed with message:\r\n" + at("VDravoPackage::Update", 229)},
  };
  for (const auto& [fault, arm, text] : faults) {
    SCOPED_TRACE(fault);
    package->SaveSettings();
    {
      const Armed armed = arm();
      EXPECT_EQ(anyFailureText([&] { package->Update(); }), text);
    }
    server.control().resetFaults();
    EXPECT_TRUE(ScratchDir::exists(panel.path(L"tmp\\_MailArchive\\info.xml")));
  }
}

}  // namespace
