// Filter and relay files of growing size are read, changed by one entry and saved again;
// prints the time of each size and the ratio to the size before (linear growth gives the
// ratio of the line counts).
// Usage: listfile_bench [LARGEST_LINES]   (default: 1000000; sizes go up by ten from 10000)

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

#include "listfiles/filter_file.h"
#include "listfiles/relaying_file.h"
#include "platform/directories.h"
#include "platform/exceptions.h"
#include "bench_main.h"

namespace {

using namespace Dravo;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void writeFile(const std::wstring& path, const std::string& text) {
  const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot write a list file");
  DWORD written = 0;
  const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(h);
  if (!ok || written != text.size()) throw std::runtime_error("short write of a list file");
}

// Mostly black-listed domains, with a section line and a rule now and then.
std::string filterText(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    if (i % 100 == 0) {
      text += std::to_string(i / 100 % 4);
    } else if (i % 10 == 0) {
      text += "S$!~subject " + std::to_string(i);
    } else {
      text += (i % 3 ? "" : "0:") + std::string("blocked") + std::to_string(i) + ".example";
    }
    text += "\r\n";
  }
  return text;
}

// One entry a line: the module's own marked lines and foreign patterns.
std::string relayText(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) {
    const std::string a = std::to_string(i >> 16 & 0xFF) + "." + std::to_string(i >> 8 & 0xFF) + ".";
    const std::string c = std::to_string(i & 0xFF);
    if (i % 2) {
      text += "10." + a + c + relayMarker + "10." + a + c + "/32";
    } else {
      text += "11." + a + "*";
    }
    text += "\r\n";
  }
  return text;
}

struct Timing {
  double read = 0;
  double change = 0;
  double save = 0;
  double total() const { return read + change + save; }
};

// Reads the file, makes one change and saves; checks the entry count that should result.
template <class File, class Change>
Timing readChangeSave(const std::wstring& folder, Change change, size_t expectedEntries) {
  Timing t;
  auto start = Clock::now();
  File file(folder);
  t.read = secondsSince(start);
  start = Clock::now();
  change(file);
  t.change = secondsSince(start);
  start = Clock::now();
  file.safeSave();
  t.save = secondsSince(start);
  if (file.entries.size() != expectedEntries) throw std::runtime_error("a list file lost lines");
  return t;
}

Timing benchFilter(const std::wstring& folder, int lines) {
  writeFile(folder + L"filter.dat", filterText(lines));
  return readChangeSave<DravoFilterFile>(
      folder, [](DravoFilterFile& f) { f.addRestrictedDomain(L"new.example"); }, static_cast<size_t>(lines) + 1);
}

Timing benchRelay(const std::wstring& folder, int lines) {
  writeFile(folder + L"relay.dat", relayText(lines));
  return readChangeSave<DravoRelayingFile>(
      folder, [](DravoRelayingFile& f) { f.delIP(L"10.0.0.1", 32); }, static_cast<size_t>(lines) - 1);
}

void report(const char* kind, const std::vector<int>& sizes, const std::vector<Timing>& timings) {
  for (size_t i = 0; i < sizes.size(); ++i) {
    const Timing& t = timings[i];
    std::printf("%s %8d lines: read %7.3f s, change %7.4f s, save %7.3f s, total %7.3f s", kind, sizes[i], t.read,
                t.change, t.save, t.total());
    if (i > 0) {
      std::printf("  x%.1f lines -> x%.2f time", static_cast<double>(sizes[i]) / sizes[i - 1],
                  t.total() / timings[i - 1].total());
    }
    std::printf("\n");
  }
}

}  // namespace

int run(int argc, wchar_t** argv) {
  const int largest = argc > 1 ? _wtoi(argv[1]) : 1000000;
  std::vector<int> sizes;
  for (int n = 10000; n <= largest; n *= 10) sizes.push_back(n);

  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring folder = std::wstring(temp) + L"listfile_bench_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(folder.c_str(), nullptr);

  std::vector<Timing> filter;
  std::vector<Timing> relay;
  for (int n : sizes) {
    filter.push_back(benchFilter(folder, n));
    relay.push_back(benchRelay(folder, n));
  }
  report("filter", sizes, filter);
  report("relay ", sizes, relay);
  removeDir(folder.substr(0, folder.size() - 1), true);
  return 0;
}

int wmain(int argc, wchar_t** argv) { return runBenchmark(run, argc, argv); }
