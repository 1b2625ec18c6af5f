#pragma once
// The guided tour's pieces: sections, notes and steps whose answers are shown aligned,
// with the steps that failed counted. Each area of the tool adds a section function.

#include <functional>
#include <string>
#include <vector>

#include "commands/presentation.h"
#include "framework/invocation.h"
#include "framework/runner.h"
#include "host/failure_text.h"

namespace mailmgr {

class Tour {
 public:
  explicit Tour(Invocation& in) : in_(in) {}

  void section(const std::wstring& title) {
    flush();
    ++sections_;
    in_.out().line();
    in_.out().line(std::to_wstring(sections_) + L". " + title);
  }
  void say(const std::wstring& text) {
    flush();
    in_.out().line(L"   " + text);
  }
  // Runs one step and shows its answer. A step the module does not do yet is shown as
  // such; any other failure is shown and counted.
  void step(const std::wstring& label, const std::function<std::wstring()>& ask) {
    ++steps_;
    try {
      fields_.push_back({label, ask()});
    } catch (...) {
      const bool pending = isNotImplemented();
      const std::wstring message = describeFailure(in_.verbose());
      if (pending) {
        fields_.push_back({label, L"not in this build of the module yet (" + message + L")"});
      } else {
        ++failures_;
        fields_.push_back({label, L"FAILED: " + message});
      }
    }
  }
  int finish() {
    flush();
    in_.out().line();
    in_.out().line(L"Tour finished: " + std::to_wstring(steps_) + L" steps, " + std::to_wstring(failures_) +
                   L" failed.");
    if (failures_ == 0) return 0;
    in_.err().line(L"mailmgr: " + std::to_wstring(failures_) + L" step(s) of the tour failed");
    return exitFailure;
  }

 private:
  void flush() {
    for (const auto& line : fieldLines(fields_)) in_.out().line(L"   " + line);
    fields_.clear();
  }

  Invocation& in_;
  Fields fields_;
  int sections_ = 0;
  int steps_ = 0;
  int failures_ = 0;
};

inline std::wstring joined(const std::vector<std::wstring>& items, const wchar_t* separator) {
  std::wstring text;
  for (const auto& item : items) text += (text.empty() ? L"" : separator) + item;
  return text.empty() ? L"(none)" : text;
}

inline std::wstring joined(const StringList& items) {
  return joined(std::vector<std::wstring>(items.begin(), items.end()), L"; ");
}


// Sections of the tour, in the order they run.
void tourDomainsAndMailboxes(Tour& tour, Invocation& in);
void tourServices(Tour& tour, Invocation& in);
void tourMailingLists(Tour& tour, Invocation& in);
void tourArchive(Tour& tour, Invocation& in);
void tourOutgoingMail(Tour& tour, Invocation& in);
void tourSettings(Tour& tour, Invocation& in);
void tourTraffic(Tour& tour, Invocation& in);
void tourPackage(Tour& tour, Invocation& in);

}  // namespace mailmgr
