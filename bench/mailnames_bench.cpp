// Lists the mail names of a domain holding many accounts and reports the time taken and
// the automation calls made per account.

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "automation/call_patterns.h"
#include "mailobjects/dravo_domain.h"
#include "mailobjects/open_domain.h"
#include "support/standin_server.h"
#include "bench_main.h"

namespace {

using namespace Dravo;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Accounts made straight through the automation objects, every tenth a mailing list. The
// stand-in would store each change at once; it writes the accounts file once at the end.
void fill(const StandinServer& server, const std::wstring& domainName, int count) {
  server.control().deferAccountWrites(true);
  DomainObject domain = openDomain(ApiObject(), domainName);
  for (int i = 0; i < count; ++i) {
    AccountObject account = attachChild<AccountObject>(domain.newAccount(L"user" + std::to_wstring(i)));
    account.setProperty(L"U_Type", Variant::ofInt(i % 10 == 0 ? 1 : 0));
    account.save();
  }
  server.control().deferAccountWrites(false);
}

}  // namespace

int run(int argc, wchar_t** argv) {
  const int accounts = argc > 1 ? _wtoi(argv[1]) : 2000;
  StandinServer server;
  DravoDomain(L"bench.example", 0);

  auto start = Clock::now();
  fill(server, L"bench.example", accounts);
  std::printf("filled %d accounts in %.2f s\n", accounts, secondsSince(start));

  server.clearJournal();
  start = Clock::now();
  StringList names;
  DravoDomain(L"bench.example").mailNames(names);
  const double listing = secondsSince(start);
  const auto calls = server.calls();
  std::size_t invokes = 0;
  for (const std::wstring& call : calls) invokes += call.find(L"GetIDsOfNames") == std::wstring::npos;
  std::printf("mailNames: %zu mail names of %d accounts in %.3f s (%.1f us per account)\n", names.size(), accounts,
              listing, listing * 1e6 / accounts);
  std::printf("automation calls: %zu (%.2f per account), name look-ups: %zu\n", invokes,
              static_cast<double>(invokes) / accounts, calls.size() - invokes);
  return names.size() == static_cast<std::size_t>(accounts - (accounts + 9) / 10) ? 0 : 1;
}

int wmain(int argc, wchar_t** argv) { return runBenchmark(run, argc, argv); }
