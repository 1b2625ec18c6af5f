#pragma once
// Checks shared by the provider's tests against the stand-in mail server.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "support/standin_server.h"

// The journal lines without name look-ups and property reads: what was changed.
inline std::vector<std::wstring> changesOnly(const std::vector<std::wstring>& calls) {
  std::vector<std::wstring> kept;
  for (const std::wstring& call : calls) {
    if (call.find(L".GetIDsOfNames(") == std::wstring::npos && call.find(L".GetProperty(") == std::wstring::npos) {
      kept.push_back(call);
    }
  }
  return kept;
}

// A test against its own stand-in server that watches what operations change there.
class ServerChangesTest : public StandinTest {
 protected:
  std::vector<std::wstring> changes() const { return changesOnly(server.calls()); }
  // Runs op with the journal cleared and returns what it changed.
  std::vector<std::wstring> changesOf(const std::function<void()>& op) {
    server.clearJournal();
    op();
    return changes();
  }
};

// op raises the run-time error text, at the site function:line when one is given.
inline void expectRaises(const std::function<void()>& op, const std::wstring& text, const char* function = nullptr,
                         std::uint32_t line = 0) {
  try {
    op();
    ADD_FAILURE() << "no exception, expected " << testing::PrintToString(text);
  } catch (const vexception& e) {
    EXPECT_EQ(e.message(), L"Run-Time error: " + text);
    if (!function) return;
    ASSERT_FALSE(e.trace().empty());
    EXPECT_EQ(e.trace().front().function + ":" + std::to_string(e.trace().front().line),
              function + (":" + std::to_string(line)));
  }
}
