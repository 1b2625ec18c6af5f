#pragma once
// A failed COM call: the HRESULT and the description of the error-info object that came
// with it. Stands where the platform's COM support library would put its own error type.

#include <windows.h>

#include <string>

class ComError {
 public:
  explicit ComError(HRESULT hr, std::wstring description = {}) : hr_(hr), description_(std::move(description)) {}

  HRESULT error() const { return hr_; }
  const std::wstring& description() const { return description_; }
  // The system's text for the HRESULT, or the fallbacks for codes it does not know.
  std::wstring errorMessage() const;
  // "COM Error <code> (<message>[, <description>])".
  std::wstring text() const;

 private:
  HRESULT hr_;
  std::wstring description_;
};

// Raises ComError for hr, taking the description from the thread's current error info.
[[noreturn]] void throwComError(HRESULT hr);
