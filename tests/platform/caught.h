#pragma once
// What a piece of work raised: the exception of the expected class, or nothing when it
// raised none. Any other exception passes on and fails the test.

#include <windows.h>

#include <optional>
#include <string>

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

// The system's text for a code as it ends a failure message.
inline std::wstring systemText(DWORD code) {
  std::wstring text = systemMessage(code);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) text.pop_back();
  return text;
}

// The message of a failed system call: "Error <code> at <where>: <system text>".
inline std::wstring osText(DWORD code, const std::wstring& where) {
  return L"Error " + std::to_wstring(code) + L" at " + where + L": " + systemText(code);
}
