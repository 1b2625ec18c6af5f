// The stand-in panel service as a program:
//   panel_service_standin <settings file> [--pipe NAME] [--fault KIND] [--from N] [--count N]
//                         [--error TEXT] [--ready FILE] [--counts FILE]
// KIND: none, error, truncated, oversized, drop, hangup, busy. Serves until killed.

#include <cstdio>
#include <cwchar>
#include <string>

#include "panel_service.h"

namespace {

bool parseFault(const std::wstring& text, panelservice::Fault& fault) {
  using panelservice::Fault;
  static const struct {
    const wchar_t* name;
    Fault fault;
  } kinds[] = {{L"none", Fault::none},         {L"error", Fault::errorReply}, {L"truncated", Fault::truncated},
               {L"oversized", Fault::oversized}, {L"drop", Fault::drop},       {L"hangup", Fault::hangUp},
               {L"busy", Fault::busy}};
  for (const auto& kind : kinds)
    if (text == kind.name) {
      fault = kind.fault;
      return true;
    }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fwprintf(stderr, L"usage: panel_service_standin <settings file> [--pipe NAME] [--fault KIND] "
                          L"[--from N] [--count N] [--error TEXT] [--ready FILE] [--counts FILE]\n");
    return 2;
  }
  panelservice::Options options;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::wstring flag = argv[i], value = argv[i + 1];
    if (flag == L"--pipe") {
      options.pipeName = value;
    } else if (flag == L"--fault") {
      if (!parseFault(value, options.fault)) {
        std::fwprintf(stderr, L"unknown fault %ls\n", value.c_str());
        return 2;
      }
    } else if (flag == L"--from") {
      options.faultFrom = static_cast<std::uint32_t>(std::wcstoul(value.c_str(), nullptr, 10));
    } else if (flag == L"--count") {
      options.faultCount = static_cast<std::uint32_t>(std::wcstoul(value.c_str(), nullptr, 10));
    } else if (flag == L"--ready") {
      options.readyFile = value;
    } else if (flag == L"--counts") {
      options.countsFile = value;
    } else if (flag == L"--error") {
      options.errorText = value;
    } else {
      std::fwprintf(stderr, L"unknown option %ls\n", flag.c_str());
      return 2;
    }
  }
  panelservice::Service service(panelservice::loadSettings(argv[1]), options);
  service.run();
  return 0;
}
