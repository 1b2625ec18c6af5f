#pragma once
// The stand-in panel service running on a thread of the test, under a pipe name of its
// own so that tests running side by side do not meet.

#include <windows.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "panel_service.h"

class ServiceThread {
 public:
  explicit ServiceThread(panelservice::Options options = {}, panelservice::Settings settings = defaultSettings())
      : service_(std::move(settings), withOwnName(std::move(options))), thread_([this] { service_.run(); }) {
    // The pipe exists once the ready file does.
    while (GetFileAttributesW(readyFile().c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(10);
  }
  ~ServiceThread() {
    service_.stop();
    thread_.join();
    DeleteFileW(readyFile().c_str());
  }

  static panelservice::Settings defaultSettings() {
    panelservice::Settings settings;
    settings.values[L"PRODUCT_ROOT_D"] = L"C:\\Panel\\";
    settings.components[L"dravo"] = {L"Mail server", L"7.6.1"};
    return settings;
  }

  const std::wstring& pipeName() const { return pipeName_; }
  panelservice::Service& service() { return service_; }

 private:
  static std::wstring uniqueName() {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string(test->test_suite_name()) + "." + test->name();
    return L"\\\\.\\pipe\\kvxpipe-test-" + std::wstring(name.begin(), name.end()) + L"-" +
           std::to_wstring(GetCurrentProcessId());
  }
  std::wstring readyFile() const {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + pipeName_.substr(9) + L".ready";
  }
  panelservice::Options withOwnName(panelservice::Options options) {
    pipeName_ = uniqueName();
    options.pipeName = pipeName_;
    options.readyFile = readyFile();
    DeleteFileW(options.readyFile.c_str());
    return options;
  }

  std::wstring pipeName_;
  panelservice::Service service_;
  std::thread thread_;
};
