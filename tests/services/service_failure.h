#pragma once
// The code and message of the system failure that a service call raises.

#include <cstdint>
#include <string>
#include <utility>

#include "platform/exceptions.h"

// The code and message of the system failure that call raises; code 0 when it raises none.
template <class Call>
std::pair<std::uint32_t, std::wstring> failure(Call&& call) try {
  call();
  return {0, L"(no exception)"};
} catch (const vosexception& e) {
  return {e.code(), e.message()};
}
