#pragma once
// A stand-in for the control panel's local service: serves a message-mode named pipe and
// answers the two requests the module makes (a setting's value, a component's name or
// version) from a table. For tests it can misbehave in chosen ways.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace panelservice {

struct Component {
  std::wstring displayName;
  std::wstring version;
};

struct Settings {
  std::map<std::wstring, std::wstring> values;         // setting name -> value
  std::map<std::wstring, Component> components;        // component name -> information
};

enum class Fault {
  none,
  errorReply,  // answer with an error reply carrying `errorText`
  truncated,   // announce more payload than is sent
  oversized,   // announce a payload of 0xFFFFFFFF bytes, send nothing
  drop,        // answer, then treat the connection as closed: hang up on its next request
  hangUp,      // close the connection instead of answering
  busy,        // keep the pipe busy for a while before each new connection
};

struct Options {
  std::wstring pipeName = L"\\\\.\\pipe\\kvxpipe";
  Fault fault = Fault::none;
  // The fault hits from this request on (counted from 1 over the service's life).
  std::uint32_t faultFrom = 1;
  // The fault hits this many requests, then the service answers normally again; 0 = always.
  std::uint32_t faultCount = 0;
  std::wstring errorText = L"The service refused the request";
  DWORD busyMs = 300;
  // Created (empty) once the pipe exists, so that a starter can wait for it.
  std::wstring readyFile;
  // Rewritten as "<connections> <requests>" whenever a client connects or a request
  // arrives, before it is answered, so that a watcher in another process can count them.
  std::wstring countsFile;
};

class Service {
 public:
  Service(Settings settings, Options options);
  // Serves clients until stop() is called, each on a thread of its own.
  void run();
  // Ends run(): wakes a waiting pipe by connecting to it.
  void stop();

  std::uint32_t connections() const { return state_->connections; }
  std::uint32_t requests() const { return state_->requests; }

 private:
  struct State {
    Settings settings;
    Options options;
    std::atomic<bool> stopping{false};
    std::atomic<std::uint32_t> connections{0};
    std::atomic<std::uint32_t> requests{0};
    std::mutex countsLock;
    bool faultHits(std::uint32_t request) const;
    void writeCounts();
  };
  static void serveClient(State& state, HANDLE pipe);

  std::shared_ptr<State> state_;
};

// Reads a settings file of lines "NAME=VALUE" (settings) and "component NAME=DISPLAY|VERSION";
// blank lines and lines starting with "#" are skipped. The file is UTF-8.
Settings loadSettings(const std::wstring& fileName);

}  // namespace panelservice
