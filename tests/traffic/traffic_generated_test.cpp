// The traffic of generated log directories against the totals their generator expects,
// and damaged copies of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/exceptions.h"
#include "platform/owner.h"
#include "traffic/log_dir.h"
#include "traffic/traffic_collector.h"
#include "traffic_log_generator.h"

namespace {

std::vector<std::pair<const char*, TrafficShape>> shapes() {
  TrafficShape many, pop, inside, single;
  many.measuredDomains = 30, many.outsideDomains = 10, many.maxRecipients = 8;
  pop.popPercent = 90, pop.localPercent = 40, pop.days = 5, pop.sessionsPerDay = 60;
  inside.outsideDomains = 0, inside.otherCasePercent = 20, inside.unfinishedPercent = 30;
  single.measuredDomains = single.outsideDomains = single.maxRecipients = single.days = 1;
  single.sessionsPerDay = 30;
  return {{"default", {}}, {"many domains", many}, {"mostly pop3", pop}, {"all measured", inside}, {"sparse", single}};
}

bool walkFails(const std::wstring& path) {
  std::ifstream stream(std::string(path.begin(), path.end()));
  try {
    for (Dravo::DravoLogFile::iterator line(stream), end; line != end; ++line) continue;
    return false;
  } catch (const vexception&) {
    return true;
  }
}

}  // namespace

TEST(TrafficGeneratedLogs, ReaderMatchesGeneratorOnSeveralShapesAndSeeds) {
  for (const auto& [name, shape] : shapes()) {
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(std::string(name) + ", seed " + std::to_string(seed));
      LogDir dir;
      const GeneratedTraffic generated = generateTrafficLogs(dir.path(), shape, seed);
      TrafficMap traffic = generated.emptyTraffic();
      StringList finished;
      Dravo::collectTraffic(dir.path(), generated.from, generated.to, traffic, finished);
      EXPECT_EQ(flatTraffic(traffic), flatTraffic(generated.expected));
      EXPECT_EQ(finished, generated.expectedFinished);
      EXPECT_FALSE(generated.expectedFinished.empty());
      std::uint64_t credited = 0;
      for (const auto& domain : traffic) credited += domain.second.size();
      EXPECT_GT(credited, 0u);  // the comparison is about real traffic
    }
  }
}

TEST(TrafficGeneratedLogs, DamagedFilesAreSkippedAndNothingEscapes) {
  TrafficShape shape;
  shape.days = 2;
  shape.sessionsPerDay = 40;
  for (std::uint32_t seed = 1; seed <= 25; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    LogDir dir;
    const GeneratedTraffic generated = generateTrafficLogs(dir.path(), shape, seed);
    std::mt19937 random(seed);
    // Damage one file of the period: overwrite, insert or remove a few bytes.
    const std::wstring victim = dir.path() + (seed % 2 ? L"s" : L"p");
    std::wstring path;  // the last file of that kind by name
    WIN32_FIND_DATAW data;
    const FindHandle find(FindFirstFileW((victim + L"*").c_str(), &data));
    ASSERT_TRUE(find);
    do path = std::max(path, dir.path() + data.cFileName);
    while (FindNextFileW(find.get(), &data));
    const std::string narrowPath(path.begin(), path.end());
    std::ostringstream all;
    all << std::ifstream(narrowPath, std::ios::binary).rdbuf();
    std::string content = all.str();
    const char noise[] = {'\0', '\n', '[', ']', ':', ' ', 'x', '\xff', '9', '\t'};
    for (int i = 0; i < 4; ++i) {
      const std::size_t at = random() % content.size();
      switch (random() % 3) {
        case 0: content[at] = noise[random() % sizeof noise]; break;
        case 1: content.insert(at, 1, noise[random() % sizeof noise]); break;
        default: content.erase(at, 1 + random() % 20); break;
      }
    }
    std::ofstream(narrowPath, std::ios::binary | std::ios::trunc) << content;

    TrafficMap traffic = generated.emptyTraffic();
    StringList finished;
    EXPECT_NO_THROW(Dravo::collectTraffic(dir.path(), generated.from, generated.to, traffic, finished));
    EXPECT_EQ(finished, generated.expectedFinished);  // the damaged file lies in the period
    if (walkFails(path)) {
      // The other kind's files are untouched: their totals are the generator's.
      const std::size_t first = seed % 2 ? 4 : 0;
      for (const auto& domain : generated.expected) {
        for (const auto& day : domain.second) {
          const auto found = traffic.at(domain.first).find(day.first);
          const DayCounters got = found == traffic.at(domain.first).end() ? DayCounters{} : found->second;
          EXPECT_EQ(got[first], day.second[first]);
          EXPECT_EQ(got[first + 1], day.second[first + 1]);
        }
      }
    }
  }
}
