#include "srvclient/pipe_client.h"

#include "platform/caught.h"
#include "platform/scratch_dir.h"
#include "support/panel_service_process.h"
#include "srvclient/vanto_srv_client.h"

namespace {

// The stand-in panel service in a process of its own under a pipe name of this test, with
// the given command-line options ("--fault KIND", ...).
class Service {
 public:
  explicit Service(std::vector<std::wstring> options = {}) : process_(scratch_, settings, withPipe(std::move(options))) {}
  const std::wstring& pipeName() const { return pipeName_; }
  const PanelServiceProcess& service() const { return process_; }

 private:
  static constexpr const char* settings = "PRODUCT_ROOT_D=C:\\Panel\\\r\ncomponent dravo=Mail server|7.6.1\r\n";
  std::vector<std::wstring> withPipe(std::vector<std::wstring> options) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string("kvxpipe-test-") + test->name() + "-" + std::to_string(GetCurrentProcessId());
    pipeName_ = L"\\\\.\\pipe\\" + std::wstring(name.begin(), name.end());
    options.insert(options.end(), {L"--pipe", pipeName_, L"--error", L"Access to the setting is refused"});
    return options;
  }
  ScratchDir scratch_;
  std::wstring pipeName_;
  PanelServiceProcess process_;
};

// Whether the failure names the function among its sites.
bool traceNames(const std::optional<vexception>& e, const std::string& function) {
  return e && std::any_of(e->trace().begin(), e->trace().end(), [&](const CallSite& s) { return s.function == function; });
}

TEST(PanelPipeClient, QueriesShareOneConnectionAndUnknownSettingsAreTheServiceError) {
  const auto missing = caught([] { vpipechannel::client(L"\\\\.\\pipe\\kvxpipe-nobody-listens", true); });
  EXPECT_TRUE(traceNames(missing, "vpipechannel::client::connect") &&
              missing->message().find(L"Connect to pipe") != std::wstring::npos);
  Service service;
  VantoSrvClient client(service.pipeName());
  EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D") + client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\C:\\Panel\\");
  EXPECT_EQ(client.componentInfo(L"dravo", 0) + L"|" + client.componentInfo(L"unknown", 1), L"Mail server|");
  const auto unknown = caught([&] { client.getString(L"NO_SUCH"); });
  EXPECT_TRUE(unknown && unknown->message() == L"Unknown setting NO_SUCH");
  EXPECT_TRUE(service.service().connections() == 1u && service.service().requests() == 5u);
  // The panel root drops trailing separators.
  EXPECT_EQ(panelRootOf(L"C:\\Panel") + L"|" + panelRootOf(L"C:\\Panel\\\\/") + L"|" + panelRootOf(L"\\/\\"),
            L"C:\\Panel|C:\\Panel|");
}

// One service a test: each has the test's pipe name.
TEST(PanelPipeClient, BrokenConnectionReconnectsOnce) {
  // The service hangs up after the first answer: the second query's retry on a fresh
  // connection succeeds.
  Service service({L"--fault", L"drop", L"--count", L"1"});
  VantoSrvClient client(service.pipeName());
  EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D") + client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\C:\\Panel\\");
  EXPECT_EQ(service.service().connections(), 2u);
}

TEST(PanelPipeClient, ASecondBrokenConnectionPropagates) {
  Service service({L"--fault", L"hangup"});
  VantoSrvClient client(service.pipeName());
  EXPECT_TRUE(traceNames(caught([&] { client.getString(L"PRODUCT_ROOT_D"); }), "vpipechannel::client::query"));
  EXPECT_TRUE(service.service().connections() == 2u && service.service().requests() == 2u);
}

TEST(PanelPipeClient, ErrorReplyRaisesTheServiceMessageWithContext) {
  Service refusing({L"--fault", L"error"});
  const auto e = caught([&] { VantoSrvClient(refusing.pipeName()).getString(L"PRODUCT_ROOT_D"); });
  ASSERT_TRUE(e && e->trace().size() == 1u) << "the reply itself names no place";
  EXPECT_EQ(e->message(), L"Access to the setting is refused");
  EXPECT_EQ(e->trace().back().source, L"getString(PRODUCT_ROOT_D)");
  EXPECT_EQ(e->trace().back().function, "VantoSrvClient::getString");
}

TEST(PanelPipeClient, ABusyPipeIsWaitedFor) {
  // The service lies disconnected for a while after the first client: the pipe is busy.
  Service busy({L"--fault", L"busy"});
  for (int client = 0; client < 2; ++client)
    EXPECT_EQ(VantoSrvClient(busy.pipeName()).getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\") << client;
  EXPECT_EQ(busy.service().connections(), 2u);
}

}  // namespace
