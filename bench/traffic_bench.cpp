// Time and memory to aggregate generated log directories of growing size, against a
// floor: counting the lines of the same files with the same buffered text-mode reads.
// Usage: traffic_bench [MEGABYTES...]   (default: 10 100)

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/directories.h"
#include "traffic/traffic_collector.h"
#include "traffic_log_generator.h"

namespace {

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t countLines(const std::wstring& directory) {
  std::uint64_t lines = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((directory + L"*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  std::string line;
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::wstring path = directory + data.cFileName;
    std::ifstream stream(std::string(path.begin(), path.end()));
    while (std::getline(stream, line)) ++lines;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return lines;
}

bool sameTraffic(const TrafficMap& a, const TrafficMap& b) {
  if (a.size() != b.size()) return false;
  for (auto x = a.begin(), y = b.begin(); x != a.end(); ++x, ++y) {
    if (x->first != y->first || x->second.size() != y->second.size()) return false;
    const DateTimeLess less;
    for (auto d = x->second.begin(), e = y->second.begin(); d != x->second.end(); ++d, ++e) {
      if (less(d->first, e->first) || less(e->first, d->first) || d->second != e->second) return false;
    }
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::uint64_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::wcstoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {10, 100};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::printf("%8s %12s %10s %12s %10s %8s %10s\n", "MB", "lines", "floor s", "traffic s", "lines/s", "ratio",
              "peak MB");
  for (const std::uint64_t megabytes : sizes) {
    const std::wstring directory = std::wstring(temp) + L"traffic-bench-" + std::to_wstring(megabytes) + L"\\";
    makeDirs(directory);
    TrafficShape shape;
    shape.measuredDomains = 50;
    shape.outsideDomains = 50;
    shape.sessionsPerDay = 20000;
    shape.targetBytes = megabytes << 20;
    const GeneratedTraffic generated = generateTrafficLogs(directory, shape, 7);

    auto start = std::chrono::steady_clock::now();
    const std::uint64_t counted = countLines(directory);
    const double floor = seconds(start);

    TrafficMap traffic = generated.emptyTraffic();
    StringList finished;
    start = std::chrono::steady_clock::now();
    Dravo::collectTraffic(directory, generated.from, generated.to, traffic, finished);
    const double took = seconds(start);

    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("%8llu %12llu %10.2f %12.2f %10.0f %8.2f %10.1f%s\n", static_cast<unsigned long long>(megabytes),
                static_cast<unsigned long long>(counted), floor, took, counted / took, took / floor,
                memory.PeakWorkingSetSize / 1048576.0, sameTraffic(traffic, generated.expected) ? "" : "  MISMATCH");
    removeDir(directory, true);
  }
  return 0;
}
