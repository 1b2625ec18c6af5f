#pragma once
// A stand-in service for one test: its behaviour is written under the stand-in's settings
// key, and the service is stopped and deleted again with the object.

#include <windows.h>

#include <string>

struct ServiceBehaviour {
  DWORD startDelay = 0, stopDelay = 0, startWaitHint = 0, stopWaitHint = 0;
  DWORD startStall = 0, stopStall = 0, refuseStart = 0;
};

// Writes (or with a default behaviour, clears) the settings of the service `name`.
void setBehaviour(const std::wstring& name, const ServiceBehaviour& behaviour);

// Current state of the service, 0 when it cannot be queried.
DWORD currentState(const std::wstring& name);
// Waits up to `ms` for the service to reach `state`; true when it did.
bool awaitState(const std::wstring& name, DWORD state, DWORD ms = 10000);
// Starts the service without waiting; false when the system refused.
bool startRaw(const std::wstring& name);
// Asks the service to stop and waits until it is stopped.
void stopAndAwait(const std::wstring& name);

class TestService {
 public:
  // A service of a name unique to this test process, with the stand-in as its program.
  explicit TestService(const std::wstring& label, const ServiceBehaviour& behaviour = {});
  ~TestService();
  TestService(const TestService&) = delete;
  TestService& operator=(const TestService&) = delete;

  const std::wstring& name() const { return name_; }
  const wchar_t* c_str() const { return name_.c_str(); }

 private:
  std::wstring name_;
};
