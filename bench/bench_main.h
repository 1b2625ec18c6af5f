#pragma once
// The benchmarks' entry: runs the measurement and reports a failure on standard error
// with exit status 2 instead of ending in an unhandled exception; and the median that
// benchmarks of several runs report.

#include <algorithm>
#include <cstdio>
#include <exception>
#include <vector>

#include "platform/exceptions.h"

inline int runBenchmark(int (*run)(int, wchar_t**), int argc, wchar_t** argv) {
  try {
    return run(argc, argv);
  } catch (const vexception& e) {
    std::fwprintf(stderr, L"%ls\n", fullText(e).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "failed\n");
  }
  return 2;
}

inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}
