#pragma once
// The stand-in panel service as a child process, as the panel runs its own: the test
// process then holds only the client. It is ended from outside, since a shared client may
// stay connected to it until the test process ends.

#include <windows.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/owner.h"
#include "platform/scratch_dir.h"

class PanelServiceProcess {
 public:
  // `settings` in the stand-in's format ("NAME=VALUE", "component NAME=DISPLAY|VERSION");
  // `options` are further command-line options ("--pipe", "--fault", ...).
  PanelServiceProcess(const ScratchDir& scratch, const std::string& settings, const std::vector<std::wstring>& options = {})
      : counts_(scratch / L"panel.counts") {
    const std::wstring settingsFile = scratch.file(L"panel-settings.txt", settings);
    const std::wstring ready = scratch / L"panel.ready";
    wchar_t self[MAX_PATH];
    const std::wstring program(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    std::wstring command = L"\"" + program.substr(0, program.find_last_of(L'\\') + 1) + L"panel_service_standin.exe\" \"" +
                           settingsFile + L"\" --ready \"" + ready + L"\" --counts \"" + counts_ + L"\"";
    for (const std::wstring& option : options) command += L" \"" + option + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
      throw std::runtime_error("cannot start panel_service_standin.exe: error " + std::to_string(GetLastError()));
    process_.reset(started.hProcess);
    const KernelHandle thread(started.hThread);
    // Ready once the pipe exists; a service that ended gives up the wait.
    while (!ScratchDir::exists(ready))
      if (WaitForSingleObject(process_.get(), 10) == WAIT_OBJECT_0) throw std::runtime_error("the panel service ended");
  }
  ~PanelServiceProcess() { TerminateProcess(process_.get(), 0), WaitForSingleObject(process_.get(), INFINITE); }

  // Counted before each is answered, so a client that has its answer sees it counted.
  unsigned connections() const { return counts().first; }
  unsigned requests() const { return counts().second; }

 private:
  std::pair<unsigned, unsigned> counts() const {
    unsigned connections = 0, requests = 0;
    std::sscanf(ScratchDir::content(counts_).c_str(), "%u %u", &connections, &requests);
    return {connections, requests};
  }

  std::wstring counts_;
  KernelHandle process_;
};
