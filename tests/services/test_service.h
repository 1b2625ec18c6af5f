#pragma once
// Stand-in services for tests: their behaviour is written under the stand-in's settings key.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

struct ServiceBehaviour {
  DWORD startDelay = 0, stopDelay = 0, startWaitHint = 0, stopWaitHint = 0;
  DWORD startStall = 0, stopStall = 0, refuseStart = 0;
};

// Writes (or with a default behaviour, clears) the settings of the service `name`.
void setBehaviour(const std::wstring& name, const ServiceBehaviour& behaviour);
DWORD currentState(const std::wstring& name);  // 0 when it cannot be queried
void stopAndAwait(const std::wstring& name);
// The mail server's services, by their fixed names.
extern const std::vector<std::wstring> mailServices;
// The mail server's services stopped on demand start, their processes ended, with the default behaviour.
void resetMailServices();

// A service of a name unique to this test process, with the stand-in as its program; it is
// stopped and deleted again with the object.
class TestService {
 public:
  explicit TestService(const std::wstring& label, const ServiceBehaviour& behaviour = {});
  ~TestService();
  TestService(const TestService&) = delete;
  TestService& operator=(const TestService&) = delete;
  const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
};
