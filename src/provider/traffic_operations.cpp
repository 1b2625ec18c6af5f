// Provider operation: mail traffic per domain and day from the server's log directory.

#include "provider/dravo_provider.h"
#include "automation/server_directories.h"
#include "traffic/traffic_collector.h"

namespace Dravo {

void DravoProvider::getTrafficInfo(const SYSTEMTIME& from, const SYSTEMTIME& to, TrafficMap& traffic,
                                   StringList& finishedFiles) {
  collectTraffic(logPath(), from, to, traffic, finishedFiles);
}

}  // namespace Dravo
