#pragma once
// The version rule of the internal spam engine switch.

namespace Dravo {

// True for 7.6.1 and later.
bool spamEngineSupported(int major, int minor, int build);

}  // namespace Dravo
