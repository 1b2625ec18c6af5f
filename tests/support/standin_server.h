#pragma once
// A fresh, empty stand-in mail server for one test. Construction initialises COM on the
// test thread, loads the stand-in by creating one "DravoCOM.APIObject", and points the
// server at a new temporary directory, which is removed with the object. Tests using it
// require the CTest fixture "dravocom" (the stand-in registered in the Wine prefix).

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dravocom/standin_control.h"
#include "platform/owner.h"

class StandinServer {
 public:
  StandinServer();  // throws std::runtime_error when the stand-in cannot be reached
  ~StandinServer();
  StandinServer(const StandinServer&) = delete;
  StandinServer& operator=(const StandinServer&) = delete;

  DravoStandinControl& control() const { return *control_; }
  const std::wstring& root() const { return root_; }
  // The server's directories as it publishes them ("C_ConfigPath" and so on), without a final backslash.
  std::wstring configPath() const { return root_ + L"\\Config"; }
  std::wstring mailPath() const { return root_ + L"\\Mail"; }
  std::wstring logPath() const { return root_ + L"\\Logs"; }

  // The journal, one call a line, as "<Kind>#<n>.<Member>(<args>)".
  std::vector<std::wstring> journal() const;
  // The same without object numbers: "API.OpenDomain(example.com)".
  std::vector<std::wstring> calls() const;
  // How many calls equal call (written without object number, as calls() gives them).
  size_t count(const std::wstring& call) const;
  void clearJournal() const { control_->clearJournal(); }

  void failLastErr(const std::wstring& member, int nth, long value) const {
    control_->failLastErr(member.c_str(), nth, value);
  }
  void failInvoke(const std::wstring& member, int nth, HRESULT hr, const std::wstring& description = L"") const {
    control_->failInvoke(member.c_str(), nth, hr, description.c_str());
  }
  void refuseCreation(HRESULT hr) const { control_->refuseCreation(hr); }

 private:
  // COM on the test thread for the life of the server, left as it was found.
  struct Apartment {
    Apartment() : owned(SUCCEEDED(CoInitialize(nullptr))) {}
    ~Apartment() {
      if (owned) CoUninitialize();
    }
    bool owned;
  };

  Apartment apartment_;
  Library module_;  // holds the stand-in loaded while the control pointer is in use
  DravoStandinControl* control_ = nullptr;
  std::wstring root_;
};

// Base for tests that each want their own empty server.
class StandinTest : public ::testing::Test {
 protected:
  StandinServer server;
};
