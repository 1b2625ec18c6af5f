#include "traffic_expected_file.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

void writeTime(std::ostream& out, const SYSTEMTIME& t) {
  out << ' ' << t.wYear << ' ' << t.wMonth << ' ' << t.wDay << ' ' << t.wHour << ' ' << t.wMinute << ' ' << t.wSecond;
}

SYSTEMTIME readTime(std::istream& in) {
  unsigned year, month, day, hour, minute, second;
  in >> year >> month >> day >> hour >> minute >> second;
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(year);
  t.wMonth = static_cast<WORD>(month);
  t.wDay = static_cast<WORD>(day);
  t.wHour = static_cast<WORD>(hour);
  t.wMinute = static_cast<WORD>(minute);
  t.wSecond = static_cast<WORD>(second);
  return t;
}

}  // namespace

void saveExpectedTraffic(const std::wstring& path, const GeneratedTraffic& generated) {
  std::ofstream out(narrow(path), std::ios::binary | std::ios::trunc);
  out << "from";
  writeTime(out, generated.from);
  out << "\nto";
  writeTime(out, generated.to);
  out << "\nsize " << generated.bytes << ' ' << generated.lines << ' ' << generated.files << '\n';
  for (const auto& [domain, days] : generated.expected) {
    out << "domain " << narrow(domain) << '\n';
    for (const auto& [day, counters] : days) {
      out << "day " << narrow(domain) << ' ' << day.wYear << ' ' << day.wMonth << ' ' << day.wDay;
      for (const std::uint64_t counter : counters) out << ' ' << counter;
      out << '\n';
    }
  }
  for (const std::wstring& finished : generated.expectedFinished) {
    out << "finished " << narrow(finished.substr(finished.rfind(L'\\') + 1)) << '\n';
  }
  if (!out.flush()) throw std::runtime_error("cannot write " + narrow(path));
}

GeneratedTraffic loadExpectedTraffic(const std::wstring& path, const std::wstring& directory) {
  std::ifstream in(narrow(path), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + narrow(path));
  GeneratedTraffic generated;
  std::string record;
  while (std::getline(in, record)) {
    std::istringstream fields(record);
    std::string kind, name;
    fields >> kind;
    if (kind == "from") {
      generated.from = readTime(fields);
    } else if (kind == "to") {
      generated.to = readTime(fields);
    } else if (kind == "size") {
      fields >> generated.bytes >> generated.lines >> generated.files;
    } else if (kind == "domain") {
      fields >> name;
      generated.expected[wide(name)];
    } else if (kind == "day") {
      unsigned year, month, day;
      fields >> name >> year >> month >> day;
      SYSTEMTIME date{};
      date.wYear = static_cast<WORD>(year);
      date.wMonth = static_cast<WORD>(month);
      date.wDay = static_cast<WORD>(day);
      DayCounters& counters = generated.expected[wide(name)][date];
      for (std::uint64_t& counter : counters) fields >> counter;
    } else if (kind == "finished") {
      fields >> name;
      generated.expectedFinished.push_back(directory + wide(name));
    } else {
      fields.setstate(std::ios::failbit);
    }
    if (fields.fail()) throw std::runtime_error("malformed record in " + narrow(path) + ": " + record);
  }
  return generated;
}
