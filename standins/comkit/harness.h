#pragma once
// What tests see of a stand-in COM server and inject into it: the journal of calls, pending
// faults and the refusal of new objects. One lock per DLL guards this and the stand-in's state.

#include <windows.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

std::mutex& serverLock();

struct Fault {
  std::wstring member;
  int remaining = 0;  // calls of member still to come, this one included
  bool failsInvoke = false;
  long lastErr = 0;
  HRESULT hr = S_OK;
  std::wstring description;
};

// Callers hold serverLock().
class Harness {
 public:
  void record(const std::wstring& line);
  std::wstring journal() const;
  void clearJournal();

  void addFault(const Fault& fault);
  // Counts one call of member; gives the fault that falls on this call, if any.
  std::optional<Fault> countCall(const std::wstring& member);
  void resetFaults();

  HRESULT creationRefusal() const { return refusal_; }
  void refuseCreation(HRESULT hr) { refusal_ = hr; }

 private:
  std::vector<std::wstring> lines_;
  std::vector<Fault> faults_;
  HRESULT refusal_ = S_OK;
};

Harness& harness();
