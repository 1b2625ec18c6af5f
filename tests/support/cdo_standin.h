#pragma once
// The control of the "CDO.Message" stand-in loaded into the test process. COM must be
// initialised on the thread; tests using it require the CTest fixture "cdomessage".

#include <windows.h>

#include <stdexcept>

#include "automation/dispatch_helper.h"
#include "cdomessage/cdo_standin_control.h"

inline CdoStandinControl& cdoStandin() {
  static CdoStandinControl* control = [] {
    const DispatchHelper loaded(L"CDO.Message");  // brings the stand-in's DLL into the process
    const HMODULE module = GetModuleHandleW(L"cdomessage_standin.dll");
    const auto entry = module ? reinterpret_cast<CdoStandinControl* (*)()>(
                                    reinterpret_cast<void*>(GetProcAddress(module, "cdoStandinControl")))
                              : nullptr;
    if (!entry) throw std::runtime_error("\"CDO.Message\" is not the stand-in");
    return entry();
  }();
  return *control;
}
