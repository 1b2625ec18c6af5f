#include "srvclient/pipe_client.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "srvclient/vanto_srv_client.h"
#include "srvclient/service_thread.h"

namespace {

using panelservice::Fault;

panelservice::Options faulty(Fault fault, std::uint32_t from = 1, std::uint32_t count = 0) {
  panelservice::Options options;
  options.fault = fault;
  options.faultFrom = from;
  options.faultCount = count;
  return options;
}

template <class Work>
vexception failureOf(Work&& work) {
  try {
    work();
  } catch (const vexception& e) {
    return e;
  }
  ADD_FAILURE() << "nothing thrown";
  return vexception(L"");
}

bool traceNames(const vexception& e, const std::string& function) {
  for (const CallSite& s : e.trace())
    if (s.function == function) return true;
  return false;
}

TEST(PanelPipeClient, MissingPipeIsTheConnectFailure) {
  const vexception e = failureOf([] { vpipechannel::client(L"\\\\.\\pipe\\kvxpipe-nobody-listens", true); });
  EXPECT_NE(e.message().find(L"Connect to pipe"), std::wstring::npos) << e.message();
  EXPECT_TRUE(traceNames(e, "vpipechannel::client::connect"));
}

TEST(PanelPipeClient, TwoQueriesShareOneConnection) {
  ServiceThread service;
  VantoSrvClient client(service.pipeName());
  EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\");
  EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\");
  EXPECT_EQ(client.componentInfo(L"dravo", 0), L"Mail server");
  EXPECT_EQ(client.componentInfo(L"dravo", 1), L"7.6.1");
  EXPECT_EQ(client.componentInfo(L"unknown", 1), L"");
  EXPECT_EQ(service.service().connections(), 1u);
  EXPECT_EQ(service.service().requests(), 5u);
}

TEST(PanelPipeClient, BrokenConnectionReconnectsOnce) {
  // The service hangs up after answering the first request: the second query's first
  // attempt fails on the dead connection and its retry on a fresh one succeeds.
  {
    ServiceThread service(faulty(Fault::drop, 1, 1));
    VantoSrvClient client(service.pipeName());
    EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\");
    EXPECT_EQ(client.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\");
    EXPECT_EQ(service.service().connections(), 2u);
  }
  // A hang-up on the first attempt of a query is hidden the same way (one service at a
  // time: the pipe name is the test's).
  ServiceThread hangsUpOnce(faulty(Fault::hangUp, 1, 1));
  VantoSrvClient other(hangsUpOnce.pipeName());
  EXPECT_EQ(other.componentInfo(L"dravo", 1), L"7.6.1");
  EXPECT_EQ(hangsUpOnce.service().requests(), 2u);
}

TEST(PanelPipeClient, SecondFailurePropagates) {
  ServiceThread service(faulty(Fault::hangUp));
  VantoSrvClient client(service.pipeName());
  const vexception e = failureOf([&] { client.getString(L"PRODUCT_ROOT_D"); });
  EXPECT_TRUE(traceNames(e, "vpipechannel::client::query"));
  EXPECT_EQ(service.service().connections(), 2u);
  EXPECT_EQ(service.service().requests(), 2u);
}

TEST(PanelPipeClient, ErrorReplyRaisesTheServiceMessageWithContext) {
  {
    panelservice::Options options = faulty(Fault::errorReply);
    options.errorText = L"Access to the setting is refused";
    ServiceThread service(options);
    VantoSrvClient client(service.pipeName());
    const vexception e = failureOf([&] { client.getString(L"PRODUCT_ROOT_D"); });
    EXPECT_EQ(e.message(), L"Access to the setting is refused");
    ASSERT_FALSE(e.trace().empty());
    EXPECT_EQ(e.trace().back().source, L"getString(PRODUCT_ROOT_D)");
    EXPECT_EQ(e.trace().back().function, "VantoSrvClient::getString");
  }
  // An unknown setting is the service's own error reply.

  ServiceThread honest;
  VantoSrvClient asking(honest.pipeName());
  EXPECT_EQ(failureOf([&] { asking.componentInfo(L"dravo", 0), asking.getString(L"NO_SUCH"); }).message(),
            L"Unknown setting NO_SUCH");
}

TEST(PanelPipeClient, RequestBytesFollowTheWireFormat) {
  // An identifier and arguments reach the service as one body behind its length.
  ServiceThread service;
  vpipechannel::client client(service.pipeName(), true);
  vserializer::buffer arguments;
  arguments.writeString(L"dravo");
  arguments.writeUint32(1);
  const GUID componentInfo = {0x943B58AA, 0x49DE, 0x47A5, {0xAA, 0x59, 0x0E, 0x01, 0x0A, 0x48, 0xC3, 0x41}};
  const auto answer = client.query(componentInfo, arguments);
  EXPECT_EQ(answer->readString(), L"7.6.1");
  EXPECT_EQ(answer->position(), answer->size());
}

TEST(PanelPipeClient, BusyPipeIsWaitedFor) {
  panelservice::Options options = faulty(Fault::busy);
  options.busyMs = 500;
  ServiceThread service(options);
  {
    VantoSrvClient first(service.pipeName());
    EXPECT_EQ(first.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\");
  }
  // The service lies disconnected for a while after the first client: the pipe is busy.
  VantoSrvClient second(service.pipeName());
  EXPECT_EQ(second.getString(L"PRODUCT_ROOT_D"), L"C:\\Panel\\");
  EXPECT_EQ(service.service().connections(), 2u);
}

TEST(PanelRootDirectories, TrailingSeparatorsAreDropped) {
  EXPECT_EQ(panelRootOf(L"C:\\Panel"), L"C:\\Panel");
  EXPECT_EQ(panelRootOf(L"C:\\Panel\\\\/"), L"C:\\Panel");
  EXPECT_EQ(panelRootOf(L"\\/\\"), L"");
}

}  // namespace
