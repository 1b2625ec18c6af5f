#include "harness.h"

namespace {

bool sameNoCase(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

}  // namespace

std::mutex& serverLock() {
  static std::mutex lock;
  return lock;
}

Harness& harness() {
  static Harness instance;
  return instance;
}

void Harness::record(const std::wstring& line) { lines_.push_back(line); }

std::wstring Harness::journal() const {
  std::wstring text;
  for (const auto& line : lines_) text += line + L"\n";
  return text;
}

void Harness::clearJournal() { lines_.clear(); }

void Harness::addFault(const Fault& fault) {
  if (fault.remaining > 0) faults_.push_back(fault);
}

std::optional<Fault> Harness::countCall(const std::wstring& member) {
  std::optional<Fault> due;
  for (auto it = faults_.begin(); it != faults_.end();) {
    if (sameNoCase(it->member, member) && --it->remaining == 0) {
      // Two faults on the same call: the one added first wins, the other is spent.
      if (!due) due = *it;
      it = faults_.erase(it);
    } else {
      ++it;
    }
  }
  return due;
}

void Harness::resetFaults() {
  faults_.clear();
  refusal_ = S_OK;
}
