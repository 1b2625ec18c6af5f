// The service layer against the prefix's own service control manager, with stand-in
// services of names unique to each test.

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "platform/owner.h"
#include "platform/service_control.h"
#include "services/fake_clock.h"
#include "platform/caught.h"
#include "services/test_service.h"

namespace {

DWORD control(DWORD code, const wchar_t* name) { return service::controlService(code, name, nullptr, nullptr); }
DWORD start(const wchar_t* name) { return service::startService(name, nullptr, nullptr); }

TEST(ServiceControl, MissingServiceIsAbsentAndRaisesEverywhereButExistAndStop) {
  const wchar_t missing[] = L"DravoTestNoSuchService";
  SERVICE_STATUS status{};
  EXPECT_FALSE(service::exist(missing, nullptr, nullptr));
  EXPECT_THROW(start(missing), VServiceDoesNotExistException);
  for (const auto& e : {caught<vosexception>([&] { service::queryStatusService(status, missing, nullptr, nullptr); }),
                         caught<vosexception>([&] { service::serviceStartupType(missing, nullptr, nullptr); }),
                         caught<vosexception>([&] { start(missing); }),
                         caught<vosexception>([&] { control(SERVICE_CONTROL_PAUSE, missing); })}) {
    ASSERT_TRUE(e);
    EXPECT_EQ(1060u, e->code());
    EXPECT_NE(std::wstring::npos, e->message().find(L"OpenService 'DravoTestNoSuchService'")) << e->message();
  }
  EXPECT_EQ(0u, control(SERVICE_CONTROL_STOP, missing));
}

TEST(ServiceControl, StateStartTypeAndEffectiveStatusFollowStartPauseContinueAndStop) {
  TestService svc(L"Query");
  EXPECT_TRUE(service::exist(svc.name().c_str(), nullptr, nullptr));
  SERVICE_STATUS status{};
  EXPECT_EQ(0, service::queryStatusService(status, svc.name().c_str(), nullptr, nullptr));
  const std::wstring paused = failureText<vosexception>([&] { control(SERVICE_CONTROL_PAUSE, svc.name().c_str()); });  // stopped: takes none
  EXPECT_NE(std::wstring::npos, paused.find(L"ControlService(2) '" + svc.name() + L"'")) << paused;
  const auto type = [&](DWORD to) { return [&, to] { service::changeStartType(to, svc.name().c_str(), nullptr, nullptr); }; };
  const auto send = [&](DWORD code) { return [&, code] { EXPECT_EQ(0u, control(code, svc.name().c_str())); }; };
  const auto started = [&] { EXPECT_EQ(0u, start(svc.name().c_str())); };  // not again when running or paused (1056)
  // Each step, then the state, the start type and the effective status, which follows the
  // state, then the start type.
  const std::tuple<std::function<void()>, DWORD, DWORD, int> steps[] = {
      {[] {}, SERVICE_STOPPED, SERVICE_DEMAND_START, 1},
      {type(SERVICE_DISABLED), SERVICE_STOPPED, SERVICE_DISABLED, 2},
      {type(SERVICE_DEMAND_START), SERVICE_STOPPED, SERVICE_DEMAND_START, 1},
      {send(SERVICE_CONTROL_STOP), SERVICE_STOPPED, SERVICE_DEMAND_START, 1},
      {started, SERVICE_RUNNING, SERVICE_DEMAND_START, 0},
      {started, SERVICE_RUNNING, SERVICE_DEMAND_START, 0},
      {send(SERVICE_CONTROL_PAUSE), SERVICE_PAUSED, SERVICE_DEMAND_START, 1},
      {started, SERVICE_PAUSED, SERVICE_DEMAND_START, 1},
      {send(SERVICE_CONTROL_CONTINUE), SERVICE_RUNNING, SERVICE_DEMAND_START, 0}};
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    const auto& [step, state, startType, effective] = steps[i];
    step();
    EXPECT_EQ(state, currentState(svc.name())) << "step " << i;
    EXPECT_EQ(startType, service::serviceStartupType(svc.name().c_str(), nullptr, nullptr)) << "step " << i;
    EXPECT_EQ(effective, service::effStatus(svc.name().c_str(), nullptr, nullptr)) << "step " << i;
  }
}

// On the fake clock a wait is over in moments: a pending state of 1.5 s with a growing
// check point is about 300 s of polling, past the stall allowance, so only a wait that
// follows the check point gets through; a refused start is a result, not an exception.
TEST(ServiceControl, WaitsFollowTheCheckPointARefusedStartIsAResultAndPollsFollowTheWaitHint) {
  TestService svc(L"Slow", {.startDelay = 1500, .stopDelay = 1500, .startWaitHint = 500, .stopWaitHint = 500}),
      refused(L"Refuse", {.refuseStart = ERROR_SERVICE_SPECIFIC_ERROR});
  FakeClock clock;
  ASSERT_TRUE(clock.active());
  EXPECT_EQ(0u, start(svc.name().c_str()));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), currentState(svc.name()));
  EXPECT_EQ(0u, control(SERVICE_CONTROL_STOP, svc.name().c_str()));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(svc.name()));
  EXPECT_NO_THROW(start(refused.name().c_str()));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), currentState(refused.name()));
  // The poll interval is a tenth of the wait hint, within one to ten seconds.
  const DWORD cases[][2] = {{0, 1000}, {9999, 1000}, {40000, 4000}, {100000, 10000}, {200000, 10000}};
  for (const auto& [hint, interval] : cases) EXPECT_EQ(interval, service::pollInterval(hint)) << hint;
}

}  // namespace
