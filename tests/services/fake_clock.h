#pragma once
// For one test, this program's GetTickCount and Sleep (the module's polling is linked in)
// run on a fake clock: Sleep advances it by the time asked for and sleeps 5 ms for real, so
// waits as long as the module's stall allowance pass in moments.

#include <windows.h>

#include "platform/import_patch.h"

class FakeClock {
 public:
  FakeClock() {
    ticks_ = GetTickCount();
    realSleep_ = reinterpret_cast<decltype(&Sleep)>(patchImport("kernel32.dll", "Sleep", reinterpret_cast<void*>(&sleep)));
    realTicks_ = patchImport("kernel32.dll", "GetTickCount", reinterpret_cast<void*>(&tickCount));
  }
  ~FakeClock() {
    if (realSleep_) patchImport("kernel32.dll", "Sleep", reinterpret_cast<void*>(realSleep_));
    if (realTicks_) patchImport("kernel32.dll", "GetTickCount", realTicks_);
  }
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;
  // False when the program does not import them, and so nothing is faked.
  bool active() const { return realSleep_ && realTicks_; }

 private:
  static DWORD WINAPI tickCount() { return ticks_; }
  static void WINAPI sleep(DWORD ms) {
    ticks_ += ms;
    realSleep_(ms < 5 ? ms : 5);
  }
  static inline DWORD ticks_ = 0;
  static inline decltype(&Sleep) realSleep_ = nullptr;
  void* realTicks_ = nullptr;
};
