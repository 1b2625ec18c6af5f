#pragma once
// One-line checks of what a piece of work raised. An exception of another class passes on
// and fails the test.

#include <cstring>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/system_message.h"

template <class Expected = vexception, class Work>
std::optional<Expected> caught(Work&& work) {
  try {
    work();
  } catch (const Expected& e) {
    return e;
  }
  return std::nullopt;
}

// The full text of the failure, or a marker that the work did not fail.
template <class Expected = vexception, class Work>
std::wstring failureText(Work&& work) {
  const std::optional<Expected> e = caught<Expected>(work);
  return e ? fullText(*e) : L"<no failure>";
}

// The same for work whose automation calls may fail too: their COM errors pass on unchanged.
template <class Work>
std::wstring anyFailureText(Work&& work) {
  std::wstring com;
  const std::wstring text = failureText([&] {
    try {
      work();
    } catch (const ComError& e) {
      com = e.text();
    }
  });
  return com.empty() ? text : com;
}

// The system's text for a code as it ends a failure message.
inline std::wstring systemText(DWORD code) {
  const std::wstring text = systemMessage(code);
  return text.substr(0, text.find_last_not_of(L"\r\n") + 1);
}

// The message of a failed system call: "Error <code> at <where>: <system text>".
inline std::wstring osText(DWORD code, const std::wstring& where) {
  return L"Error " + std::to_wstring(code) + L" at " + where + L": " + systemText(code);
}

// The line a call site adds to a failure's text.
inline std::wstring at(const char* function, int line) {
  return L"\n   at (" + std::wstring(function, function + strlen(function)) + L" line " + std::to_wstring(line) + L")";
}

// Expects the work to raise Expected for a failed system call with `code` (any when 0) at
// `where`, raised from the site `site`.
template <class Expected = vosexception, class Work>
void expectOsError(Work&& work, DWORD code, const std::wstring& where, const std::wstring& site) {
  const std::optional<Expected> e = caught<Expected>(work);
  ASSERT_TRUE(e) << "nothing raised at " << testing::PrintToString(where);
  EXPECT_TRUE(code == 0 || e->code() == code) << e->code();
  EXPECT_EQ(fullText(*e), osText(e->code(), where) + site);
}
