#pragma once
// The stand-in panel service running on a thread of the test, under a pipe name of its
// own so that tests running side by side do not meet.

#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "panel_service.h"

class ServiceThread {
 public:
  explicit ServiceThread(panelservice::Options options = {})
      : service_({{{L"PRODUCT_ROOT_D", L"C:\\Panel\\"}}, {{L"dravo", {L"Mail server", L"7.6.1"}}}},
                 withOwnName(std::move(options))),
        thread_([this] { service_.run(); }) {
    while (GetFileAttributesW(readyFile_.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);  // the pipe then exists
  }
  ~ServiceThread() {
    service_.stop();
    thread_.join();
    DeleteFileW(readyFile_.c_str());
  }
  const std::wstring& pipeName() const { return pipeName_; }
  panelservice::Service& service() { return service_; }

 private:
  panelservice::Options withOwnName(panelservice::Options options) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string("kvxpipe-test-") + test->test_suite_name() + "." + test->name() + "-" +
                             std::to_string(GetCurrentProcessId());
    options.pipeName = pipeName_ = L"\\\\.\\pipe\\" + std::wstring(name.begin(), name.end());
    options.readyFile = readyFile_ = (std::filesystem::temp_directory_path() / (name + ".ready")).wstring();
    DeleteFileW(readyFile_.c_str());
    return options;
  }
  std::wstring pipeName_, readyFile_;
  panelservice::Service service_;
  std::thread thread_;
};
