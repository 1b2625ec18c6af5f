#pragma once
// The mail server's mail store, configuration and log directories as it publishes them,
// each ending in one backslash.

#include <string>

namespace Dravo {

std::wstring mailPath();
std::wstring configPath();
std::wstring logPath();

}  // namespace Dravo
