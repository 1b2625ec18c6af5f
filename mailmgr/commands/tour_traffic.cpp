// The tour's section on mail traffic: what the module reads from the mail server's logs of
// 2 and 3 March 2026 (the demo's set-up writes sample logs for those days).

#include "commands/tour.h"

namespace mailmgr {
namespace {

SYSTEMTIME march(int day) {
  SYSTEMTIME t{};
  t.wYear = 2026, t.wMonth = 3, t.wDay = static_cast<WORD>(day);
  return t;
}

std::wstring dayText(const SYSTEMTIME& t) {
  return std::to_wstring(t.wYear) + (t.wMonth < 10 ? L"-0" : L"-") + std::to_wstring(t.wMonth) +
         (t.wDay < 10 ? L"-0" : L"-") + std::to_wstring(t.wDay);
}

}  // namespace

void tourTraffic(Tour& tour, Invocation& in) {
  MailProvider& provider = in.provider();
  tour.section(L"Mail traffic from the logs");
  tour.say(L"The module reads the mail server's SMTP and POP3 logs and counts, per domain and day,");
  tour.say(L"the bytes of its senders' and recipients' sessions and of its mailboxes read over POP3");
  tour.say(L"(sent/received: SMTP as sender, as recipient, POP3).");
  TrafficMap traffic{{L"example.com", {}}, {L"xn--bcher-kva.example", {}}};
  StringList finished;
  tour.step(L"Read 2026-03-01 to 2026-03-03", [&] {
    provider.getTrafficInfo(march(1), march(4), traffic, finished);
    std::size_t days = 0;
    for (const auto& entry : traffic) days += entry.second.size();
    return std::to_wstring(days) + L" domain-days with traffic";
  });
  for (const auto& [domain, days] : traffic) {
    if (days.empty()) {
      tour.step(domain, [] { return std::wstring(L"no traffic"); });
      continue;
    }
    for (const auto& [day, c] : days) {
      const std::wstring label = domain + L" " + dayText(day);
      tour.step(label, [&c = c] {
        return std::to_wstring(c[0]) + L"/" + std::to_wstring(c[1]) + L", " + std::to_wstring(c[2]) + L"/" +
               std::to_wstring(c[3]) + L", " + std::to_wstring(c[4]) + L"/" + std::to_wstring(c[5]);
      });
    }
  }
  tour.say(L"'mailmgr traffic --from 2026-03-01 --to 2026-03-03 example.com' prints the same as a table.");
}

}  // namespace mailmgr
