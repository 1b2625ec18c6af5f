#pragma once
// The stand-in panel service on the panel's own pipe name, answering with a panel root of this
// test that holds a copy of the stand-in panel tree (admin\bin\vrok.exe, admin\conf\...).
// One test at a time may serve the pipe: users take the CTest lock "machine_wide_names".

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "panel_service.h"
#include "platform/scratch_dir.h"

class PanelStandin {
 public:
  explicit PanelStandin(const std::wstring& mailServerVersion = L"7.6.1") {
    // <build>\panel-root, beside the build's bin folder that holds the test program.
    wchar_t self[MAX_PATH] = {};
    const std::wstring program(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    const std::wstring tree = program.substr(0, program.rfind(L'\\', program.rfind(L'\\') - 1) + 1) + L"panel-root";
    std::filesystem::copy(tree, root_.path(), std::filesystem::copy_options::recursive);
    EXPECT_TRUE(ScratchDir::exists(path(L"admin\\bin\\vrok.exe"))) << "stand-in panel tree not built";
    panelservice::Settings settings;
    settings.values[L"PRODUCT_ROOT_D"] = root_.path() + L"\\";
    settings.components[L"dravo"] = {L"Dravo Mail Server", mailServerVersion};
    panelservice::Options options;
    options.readyFile = root_ / L"service.ready";
    service_ = std::make_unique<panelservice::Service>(std::move(settings), options);
    thread_ = std::thread([this] { service_->run(); });
    for (int waited = 0; !ScratchDir::exists(options.readyFile); waited += 10) {
      if (waited > 10000) {
        ADD_FAILURE() << "the stand-in panel service did not come up (is the panel's pipe taken?)";
        break;
      }
      Sleep(10);
    }
  }
  // The module's shared panel client stays connected until the process ends, so the
  // service may be blocked reading from it: the thread is left to end with the process,
  // and the service it uses stays alive for it.
  ~PanelStandin() {
    service_->stop();
    thread_.detach();
    service_.release();
  }

  const std::wstring& root() const { return root_.path(); }
  std::wstring path(const std::wstring& relative) const { return root_ / relative; }

  // How the stand-in tool ends next time: its exit code and what it prints.
  void toolAnswers(DWORD exitCode, const std::string& output) const {
    std::ofstream(path(L"admin\\bin\\vrok-standin.txt").c_str(), std::ios::binary)
        << "exit=" << exitCode << "\n" << output;
  }
  // One "ran ..." line per run of the tool.
  std::string toolLog() const { return ScratchDir::content(path(L"admin\\bin\\vrok-standin.log")); }

 private:
  ScratchDir root_;
  std::unique_ptr<panelservice::Service> service_;
  std::thread thread_;
};
