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

namespace {

using namespace Dravo;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The server's accounts file written in one go from the record of one account made
// through automation, then reloaded: saving 10,000 accounts one by one would measure the
// stand-in's storage, not the listing.
void fill(const StandinServer& server, const std::wstring& domainName, int count) {
  {
    DomainObject domain = openDomain(ApiObject(), domainName);
    AccountObject account = attachChild<AccountObject>(domain.newAccount(L"user0"));
    account.setProperty(L"U_Type", Variant::ofInt(0));
    account.save();
  }
  const std::filesystem::path file = std::filesystem::path(server.configPath()) / domainName / L"accounts.cfg";
  std::ifstream in(file, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  const std::size_t start = text.find("account\tuser0");
  if (start == std::string::npos) throw std::runtime_error("unexpected accounts file");
  const std::string head = text.substr(0, start), record = text.substr(start);
  std::string all = head;
  for (int i = 0; i < count; ++i) {
    std::string one = record;
    const std::string name = "user" + std::to_string(i);
    for (std::size_t at; (at = one.find("user0")) != std::string::npos;) one.replace(at, 5, name);
    if (i % 10 == 0) {
      const std::size_t type = one.find("U_Type\tint\t0");
      if (type != std::string::npos) one.replace(type, 14, "U_Type\tint\t1");  // every tenth is a mailing list
    }
    all += one;
  }
  std::ofstream(file, std::ios::binary | std::ios::trunc) << all;
  ApiObject api;
  api.done();
  api.init();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int accounts = argc > 1 ? _wtoi(argv[1]) : 10000;
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
