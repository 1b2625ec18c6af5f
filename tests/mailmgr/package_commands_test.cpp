// "mailmgr package" end to end: mailmgr.exe loads the module, whose package asks the
// stand-in control-panel service on the panel's own pipe name for the mail server's name
// and version, and switches the stand-in mail server's antivirus.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/automation_objects.h"
#include "mailmgr/json_reader.h"
#include "mailmgr/run_mailmgr.h"
#include "platform/owner.h"
#include "support/standin_server.h"

namespace {

using testing::HasSubstr;

// The stand-in panel service as a child process answering from a settings file; it is
// ended with the object.
class PanelService {
 public:
  PanelService(const std::wstring& directory, const std::string& settings) {
    const std::wstring file = directory + L"\\panel-settings.txt";
    std::ofstream(std::filesystem::path(file), std::ios::binary) << settings;
    const std::wstring ready = directory + L"\\panel-ready";
    std::wstring commandLine = L"\"" + besideTestProgram(L"panel_service_standin.exe") + L"\" \"" + file + L"\" --ready \"" +
                               ready + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      ADD_FAILURE() << "cannot start the panel service stand-in, error " << GetLastError();
      return;
    }
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    for (int i = 0; i < 200 && GetFileAttributesW(ready.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
    EXPECT_NE(GetFileAttributesW(ready.c_str()), INVALID_FILE_ATTRIBUTES) << "the panel service did not get ready";
  }
  ~PanelService() {
    if (!process_) return;
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), 5000);
  }

 private:
  KernelHandle process_;
};

class MailmgrPackage : public StandinTest {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", server.root().c_str()); }
  void TearDown() override { SetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", nullptr); }

  MailmgrRun run(const std::vector<std::wstring>& arguments) { return runMailmgr(arguments); }
  static std::string settings(const std::string& version) {
    return "PRODUCT_ROOT_D=C:\\Panel\\\r\ncomponent dravo=Dravo Mail Server|" + version + "\r\n";
  }
};

TEST_F(MailmgrPackage, InfoFromThePanelServiceAndSwitchesOnTheServer) {
  {
    PanelService panel(server.root(), settings("7.6.1"));
    const MailmgrRun info = run({L"package", L"info", L"--json"});
    ASSERT_EQ(info.exitCode, 0u) << info.err;
    const JsonNode json = parseJson(info.out);
    EXPECT_EQ(json[L"name"].string, L"mailserver");
    EXPECT_EQ(json[L"description"].string, L"Dravo Mail Server 7.6.1");
    EXPECT_EQ(json[L"version"].string, L"7.6.1");
    EXPECT_EQ(json[L"status"].string, L"");

    const MailmgrRun set = run({L"package", L"set", L"internal_antivirus=true"});
    ASSERT_EQ(set.exitCode, 0u) << set.err;
    EXPECT_EQ(Dravo::ApiObject().getNumber(L"C_VirusPlugIn"), 1) << "the switch reached the mail server";
    const MailmgrRun get = run({L"package", L"get", L"Internal_AntiVirus"});
    EXPECT_EQ(get.out, "Internal_AntiVirus = true\n");
    const MailmgrRun unknown = run({L"package", L"get", L"internal_firewall"});
    EXPECT_EQ(unknown.exitCode, 1u);
    EXPECT_THAT(unknown.err, HasSubstr("Invalid argument internal_firewall"));
  }
  {
    PanelService panel(server.root(), settings("7.5.1"));
    const MailmgrRun old = run({L"package", L"info"});
    ASSERT_EQ(old.exitCode, 0u) << old.err;
    EXPECT_THAT(old.out, HasSubstr("version:     (none: not supported)"));
    EXPECT_THAT(old.out, HasSubstr("status:      not_installed"));
  }
  const MailmgrRun noService = run({L"package", L"info"});
  EXPECT_EQ(noService.exitCode, 1u) << "without the panel's service the description cannot be had";
  EXPECT_FALSE(noService.err.empty());
}

}  // namespace
