// Time and memory to aggregate generated log directories of growing size, against a
// floor: reading the same files in large blocks and counting their line ends. Each figure
// is the median of five runs, floor and module in turn; the ratio is the median of the
// five side-by-side ratios.
// Usage: traffic_bench [MEGABYTES...]       generate, measure and delete each size (default: 10 100)
//        traffic_bench generate DIR MEGABYTES  write logs to DIR and their totals to DIR.expected
//        traffic_bench measure DIR             measure DIR against DIR.expected
// DIR ends in a backslash. The last two let a script time other readers on the same files.

#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "platform/directories.h"
#include "platform/exceptions.h"
#include "traffic/traffic_collector.h"
#include "traffic_expected_file.h"
#include "traffic_log_generator.h"
#include "bench_main.h"

namespace {

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The floor: every file read with ReadFile into one large buffer and its line ends counted
// with memchr, nothing else.
std::uint64_t countLines(const std::wstring& directory) {
  std::uint64_t lines = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((directory + L"*.*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  std::vector<char> buffer(1 << 20);
  do {
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const HANDLE file = CreateFileW((directory + data.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
      for (const char *at = buffer.data(), *end = at + got; (at = static_cast<const char*>(std::memchr(at, '\n', end - at)));
           ++at)
        ++lines;
    }
    CloseHandle(file);
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

GeneratedTraffic generate(const std::wstring& directory, std::uint64_t megabytes) {
  makeDirs(directory);
  TrafficShape shape;
  shape.measuredDomains = 50;
  shape.outsideDomains = 50;
  shape.sessionsPerDay = 2000;  // about 2.4 MB a day, so that every size spans days of the period
  shape.targetBytes = megabytes << 20;
  return generateTrafficLogs(directory, shape, 7);
}

std::wstring expectedPath(const std::wstring& directory) {
  return directory.substr(0, directory.size() - 1) + L".expected";
}

void printHeader() {
  std::printf("%8s %12s %10s %12s %10s %8s %10s\n", "MB", "lines", "floor s", "traffic s", "lines/s", "ratio",
              "peak MB");
}

// One row of medians over `rounds` runs of the floor and the module taken in turn, so that
// both meet the same state of the disk and the machine; every run's result is checked.
// The peak is the process's, so it includes whatever ran before in it.
void measure(const std::wstring& directory, const GeneratedTraffic& generated, int rounds = 5) {
  std::vector<double> floors, tooks, ratios;
  bool same = true;
  std::uint64_t counted = 0;
  for (int round = 0; round < rounds; ++round) {
    auto start = std::chrono::steady_clock::now();
    counted = countLines(directory);
    floors.push_back(seconds(start));

    TrafficMap traffic = generated.emptyTraffic();
    StringList finished;
    start = std::chrono::steady_clock::now();
    Dravo::collectTraffic(directory, generated.from, generated.to, traffic, finished);
    tooks.push_back(seconds(start));
    ratios.push_back(tooks.back() / floors.back());
    same = same && sameTraffic(traffic, generated.expected) && finished == generated.expectedFinished &&
           counted == generated.lines;
  }
  PROCESS_MEMORY_COUNTERS memory{};
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  const double took = median(tooks);
  std::printf("%8.1f %12llu %10.2f %12.2f %10.0f %8.2f %10.1f%s\n", generated.bytes / 1048576.0,
              static_cast<unsigned long long>(counted), median(floors), took, counted / took, median(ratios),
              memory.PeakWorkingSetSize / 1048576.0, same ? "" : "  MISMATCH");
}

int run(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"generate" && argc == 4) {
    const std::wstring directory = argv[2];
    const GeneratedTraffic generated = generate(directory, std::wcstoull(argv[3], nullptr, 10));
    saveExpectedTraffic(expectedPath(directory), generated);
    std::printf("%llu bytes, %llu lines, %llu files\n", static_cast<unsigned long long>(generated.bytes),
                static_cast<unsigned long long>(generated.lines), static_cast<unsigned long long>(generated.files));
    return 0;
  }
  if (mode == L"measure" && argc == 3) {
    const std::wstring directory = argv[2];
    printHeader();
    measure(directory, loadExpectedTraffic(expectedPath(directory), directory));
    return 0;
  }
  std::vector<std::uint64_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::wcstoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {10, 100};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  printHeader();
  for (const std::uint64_t megabytes : sizes) {
    const std::wstring directory = std::wstring(temp) + L"traffic-bench-" + std::to_wstring(megabytes) + L"\\";
    measure(directory, generate(directory, megabytes));
    removeDir(directory, true);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return runBenchmark(run, argc, argv); }
