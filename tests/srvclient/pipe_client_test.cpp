#include "srvclient/pipe_client.h"

#include "platform/caught.h"
#include "srvclient/service_thread.h"
#include "srvclient/vanto_srv_client.h"

namespace {

using panelservice::Fault;

panelservice::Options faulty(Fault fault, std::uint32_t count = 0) {
  return {L"", fault, 1, count, L"Access to the setting is refused", 500, L""};
}

// Whether the failure names the function among its sites.
bool traceNames(const std::optional<vexception>& e, const std::string& function) {
  return e && std::any_of(e->trace().begin(), e->trace().end(), [&](const CallSite& s) { return s.function == function; });
}

TEST(PanelPipeClient, QueriesShareOneConnectionAndUnknownSettingsAreTheServiceError) {
  const auto missing = caught([] { vpipechannel::client(L"\\\\.\\pipe\\kvxpipe-nobody-listens", true); });
  EXPECT_TRUE(traceNames(missing, "vpipechannel::client::connect") &&
              missing->message().find(L"Connect to pipe") != std::wstring::npos);
  ServiceThread service;
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

// One service a test: each has the test's pipe name, which a second service in the same
// test would take over while the first one's instance is still going away.
TEST(PanelPipeClient, BrokenConnectionReconnectsOnce) {
  // The service hangs up after the first answer: the second query's retry on a fresh
  // connection succeeds.
  ServiceThread service(faulty(Fault::drop, 1));
  VantoSrvClient client(service.pipeName());
  EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D") + client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\C:\\Panel\\");
  EXPECT_EQ(service.service().connections(), 2u);
}

TEST(PanelPipeClient, ASecondBrokenConnectionPropagates) {
  ServiceThread service(faulty(Fault::hangUp));
  VantoSrvClient client(service.pipeName());
  EXPECT_TRUE(traceNames(caught([&] { client.getString(L"PRODUCT_ROOT_D"); }), "vpipechannel::client::query"));
  EXPECT_TRUE(service.service().connections() == 2u && service.service().requests() == 2u);
}

TEST(PanelPipeClient, ErrorReplyRaisesTheServiceMessageWithContext) {
  ServiceThread refusing(faulty(Fault::errorReply));
  const auto e = caught([&] { VantoSrvClient(refusing.pipeName()).getString(L"PRODUCT_ROOT_D"); });
  ASSERT_TRUE(e && e->trace().size() == 1u) << "the reply itself names no place";
  EXPECT_EQ(e->message(), L"Access to the setting is refused");
  EXPECT_EQ(e->trace().back().source, L"getString(PRODUCT_ROOT_D)");
  EXPECT_EQ(e->trace().back().function, "VantoSrvClient::getString");
}

TEST(PanelPipeClient, ABusyPipeIsWaitedFor) {
  // The service lies disconnected for a while after the first client: the pipe is busy.
  ServiceThread busy(faulty(Fault::busy));
  for (int client = 0; client < 2; ++client)
    EXPECT_EQ(VantoSrvClient(busy.pipeName()).getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\") << client;
  EXPECT_EQ(busy.service().connections(), 2u);
}

}  // namespace
