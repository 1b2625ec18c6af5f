// Mail traffic per domain and day, as the module reads it from the mail server's logs.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "commands/command_sets.h"
#include "framework/invocation.h"
#include "framework/table.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

// "YYYY-MM-DD" as midnight of that day.
SYSTEMTIME parseDate(const std::wstring& text, const wchar_t* option) {
  int year = 0, month = 0, day = 0;
  wchar_t rest = 0;
  SYSTEMTIME date{};
  FILETIME check;
  if (std::swscanf(text.c_str(), L"%4d-%2d-%2d%lc", &year, &month, &day, &rest) == 3 && year >= 1601) {
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    if (SystemTimeToFileTime(&date, &check)) return date;
  }
  throw UsageError{std::wstring(L"--") + option + L" expects a date as YYYY-MM-DD, not '" + text + L"'"};
}

SYSTEMTIME nextDay(const SYSTEMTIME& date) {
  FILETIME file;
  SystemTimeToFileTime(&date, &file);
  ULARGE_INTEGER value{{file.dwLowDateTime, file.dwHighDateTime}};
  value.QuadPart += 864000000000ULL;  // one day in 100 ns units
  file = FILETIME{value.LowPart, value.HighPart};
  SYSTEMTIME next{};
  FileTimeToSystemTime(&file, &next);
  next.wDayOfWeek = 0;
  return next;
}

std::wstring dateText(const SYSTEMTIME& date) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%04u-%02u-%02u", date.wYear, date.wMonth, date.wDay);
  return text;
}

// While the module reads, a line on standard error says how long it has been reading,
// once the reading has taken more than a second.
class ProgressLine {
 public:
  explicit ProgressLine(OutputStream& err)
      : err_(err), thread_([this] {
          std::unique_lock<std::mutex> lock(mutex_);
          for (int seconds = 1; !cv_.wait_for(lock, std::chrono::seconds(1), [this] { return done_; }); ++seconds) {
            err_.write(L"\rreading the mail server's logs... " + std::to_wstring(seconds) + L" s");
            shown_ = true;
          }
        }) {}
  ~ProgressLine() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    cv_.notify_one();
    thread_.join();
    if (shown_) err_.write(L"\r\n");
  }

 private:
  OutputStream& err_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  bool shown_ = false;
  std::thread thread_;
};

const wchar_t* const counterNames[] = {L"sent",          L"received",     L"recipientSent",
                                       L"recipientReceived", L"pop3Sent", L"pop3Received"};

int traffic(Invocation& in) {
  const auto fromText = in.option(L"from"), toText = in.option(L"to");
  if (!fromText || !toText) throw UsageError{L"both --from and --to are required"};
  const SYSTEMTIME from = parseDate(*fromText, L"from");
  const SYSTEMTIME lastDay = parseDate(*toText, L"to");
  const SYSTEMTIME to = nextDay(lastDay);  // the last day is counted in full
  TrafficMap traffic;
  for (const std::wstring& domain : in.arguments()) {
    if (domain.empty()) throw UsageError{L"a domain name is empty"};
    traffic[domain];
  }
  StringList finished;
  MailProvider& provider = in.provider();
  {
    ProgressLine progress(in.err());
    provider.getTrafficInfo(from, to, traffic, finished);
  }

  if (in.json()) {
    Json domains = Json::array();
    for (const auto& [domain, days] : traffic) {
      Json dayList = Json::array();
      for (const auto& [day, counters] : days) {
        Json entry = Json{{"day", dateText(day)}};
        for (std::size_t i = 0; i < counters.size(); ++i) {
          entry[toUtf8(counterNames[i])] = static_cast<long long>(counters[i]);
        }
        dayList.push_back(entry);
      }
      domains.push_back(Json{{"domain", domain}, {"days", dayList}});
    }
    Json files = Json::array();
    for (const std::wstring& file : finished) files.push_back(file);
    in.print(Json{{"from", dateText(from)},
                  {"to", dateText(lastDay)},
                  {"domains", domains},
                  {"finishedFiles", files}});
    return 0;
  }
  using Align = Table::Align;
  Table table({L"DOMAIN", L"DAY", L"SENT", L"RECEIVED", L"RCPT SENT", L"RCPT RECEIVED", L"POP3 SENT",
               L"POP3 RECEIVED"},
              {Align::left, Align::left, Align::right, Align::right, Align::right, Align::right, Align::right,
               Align::right});
  for (const auto& [domain, days] : traffic) {
    if (days.empty()) table.add({domain, L"-", L"0", L"0", L"0", L"0", L"0", L"0"});
    for (const auto& [day, counters] : days) {
      std::vector<std::wstring> row = {domain, dateText(day)};
      for (const auto counter : counters) row.push_back(std::to_wstring(counter));
      table.add(std::move(row));
    }
  }
  in.printLines(table.lines());
  in.out().line(L"Log files that need not be read again: " + std::to_wstring(finished.size()));
  return 0;
}

}  // namespace

void addTrafficCommands(CommandTable& table) {
  table.commands.push_back(
      {L"", L"traffic", {{L"DOMAIN", L"a mail domain to measure", false, true}},
       {{L"from", L"DATE", L"the first day counted, as YYYY-MM-DD"},
        {L"to", L"DATE", L"the last day counted, as YYYY-MM-DD"}},
       L"Show the mail traffic of domains per day from the mail server's logs",
       L"Reads the mail server's SMTP and POP3 logs and prints, per domain and day, the bytes\n"
       L"of the SMTP sessions of its senders (SENT, RECEIVED), the share of its recipients\n"
       L"(RCPT SENT, RCPT RECEIVED) and the POP3 sessions of its users. A session counts on\n"
       L"the day it ended, when it ended within the days asked for. Domain names are matched\n"
       L"exactly, letter case included. Log files that cannot be read are skipped and named\n"
       L"in the event log.",
       traffic});
}

}  // namespace mailmgr
