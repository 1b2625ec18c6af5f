// The test control exported by the DLL: the same instance that COM loaded into the process.

#include <mutex>

#include "cdo_standin_control.h"
#include "harness.h"
#include "message_state.h"
#include "in_process_server.h"

TransportOverrides& transportOverrides() {
  static TransportOverrides overrides;
  return overrides;
}

namespace {

class Control final : public CdoStandinControl {
 public:
  std::wstring journal() override {
    std::lock_guard lock(serverLock());
    return harness().journal();
  }
  void clearJournal() override {
    std::lock_guard lock(serverLock());
    harness().clearJournal();
  }
  void failInvoke(const wchar_t* member, int nth, HRESULT hr, const wchar_t* description) override {
    std::lock_guard lock(serverLock());
    harness().addFault({member ? member : L"", nth, true, 0, hr, description ? description : L""});
  }
  void resetFaults() override {
    std::lock_guard lock(serverLock());
    harness().resetFaults();
  }
  long objectsAlive() override { return ::objectsAlive(); }
  void redirectPort(int port, int target) override {
    std::lock_guard lock(serverLock());
    if (target) {
      transportOverrides().redirects[port] = target;
    } else {
      transportOverrides().redirects.erase(port);
    }
  }
  void setTimeout(DWORD milliseconds) override {
    std::lock_guard lock(serverLock());
    transportOverrides().timeoutMs = milliseconds;
  }
};

}  // namespace

extern "C" CdoStandinControl* cdoStandinControl() {
  static Control control;
  pinModule();
  return &control;
}
