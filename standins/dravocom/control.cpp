// The test control exported by the DLL: the same instance that COM loaded into the process.

#include "standin_control.h"

#include "harness.h"
#include "mail_server.h"
#include "in_process_server.h"

namespace {

class Control final : public DravoStandinControl {
 public:
  void setRoot(const wchar_t* root) override {
    std::lock_guard lock(serverLock());
    mailServer().setRoot(root ? root : L"");
  }
  std::wstring journal() override {
    std::lock_guard lock(serverLock());
    return harness().journal();
  }
  void clearJournal() override {
    std::lock_guard lock(serverLock());
    harness().clearJournal();
  }
  void failLastErr(const wchar_t* member, int nth, long value) override {
    std::lock_guard lock(serverLock());
    harness().addFault({member ? member : L"", nth, false, value, S_OK, L""});
  }
  void failInvoke(const wchar_t* member, int nth, HRESULT hr, const wchar_t* description) override {
    std::lock_guard lock(serverLock());
    harness().addFault({member ? member : L"", nth, true, 0, hr, description ? description : L""});
  }
  void refuseCreation(HRESULT hr) override {
    std::lock_guard lock(serverLock());
    harness().refuseCreation(hr);
  }
  void resetFaults() override {
    std::lock_guard lock(serverLock());
    harness().resetFaults();
  }
  long objectsCreated() override { return ::objectsCreated(); }
  long objectsAlive() override { return ::objectsAlive(); }
  void deferAccountWrites(bool on) override {
    std::lock_guard lock(serverLock());
    mailServer().deferAccountWrites(on);
  }
};

}  // namespace

extern "C" DravoStandinControl* dravoStandinControl() {
  static Control control;
  pinModule();
  return &control;
}
