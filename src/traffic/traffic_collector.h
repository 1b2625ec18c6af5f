#pragma once
// Traffic per measured domain and day from every SMTP ("s...") and POP3 ("p...") log
// file of one directory, read in sorted name order.

#include <functional>
#include <string>

#include "interfaces/provider_types.h"

namespace Dravo {

// Called before each file is read, with its position and the number of files.
using TrafficProgress = std::function<void(std::size_t index, std::size_t count, const std::wstring& name)>;

// `directory` ends in a backslash. Credits sessions that end within [from, to) and
// appends to finishedFiles the files holding nothing at or after from. A file that fails
// to parse is logged at level 3 and left out of finishedFiles; the walk goes on.
void collectTraffic(const std::wstring& directory, const SYSTEMTIME& from, const SYSTEMTIME& to,
                    TrafficMap& traffic, StringList& finishedFiles, const TrafficProgress& progress = {});

}  // namespace Dravo
