#include "traffic_log_generator.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <random>

#include "maillog/mail_log_writer.h"

namespace {

using maillog::LogStamp;
using maillog::Service;

struct Event {
  std::int64_t time;
  int direction;  // 0 none, 1 ">>>", 2 "<<<", 3 "***"
  bool client;
  std::string text;
  std::uint64_t size;  // the size word of a "***" event
};

struct Session {
  Service service;
  std::string address;
  std::uint32_t id;
  std::vector<Event> events;
  std::string sender;                   // smtp: the address as its MAIL FROM gives it
  std::vector<std::string> recipients;  // smtp
  std::string user;                     // pop3
};

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

SYSTEMTIME toSystemTime(std::int64_t seconds) {
  const LogStamp s = maillog::fromSeconds(seconds);
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(s.year);
  t.wMonth = static_cast<WORD>(s.month);
  t.wDay = static_cast<WORD>(s.day);
  t.wHour = static_cast<WORD>(s.hour);
  t.wMinute = static_cast<WORD>(s.minute);
  t.wSecond = static_cast<WORD>(s.second);
  return t;
}

std::string message(const Event& e) {
  static const char* const markers[] = {"", ">>> ", "<<< ", "*** "};
  return std::string(e.client ? "Client session " : "") + markers[e.direction] + e.text;
}

class Generator {
 public:
  Generator(const TrafficShape& shape, std::uint32_t seed) : shape_(shape), random_(seed) {
    smtpId_ = pick(1, 0x7fffffff);
    popId_ = pick(1, 0x7fffffff);
  }

  // Sessions starting on the day that begins at `dayStart`; fewer when their lines reach
  // `budget` bytes, so that a size target is met to within one session.
  std::vector<Session> day(std::int64_t dayStart, std::uint64_t budget) {
    std::vector<Session> sessions;
    std::uint64_t bytes = 0;
    for (int i = 0; i < shape_.sessionsPerDay && bytes < budget; ++i) {
      const std::int64_t start = dayStart + pick(0, 86399);
      sessions.push_back(pick(0, 99) < shape_.popPercent ? popSession(start) : smtpSession(start));
      bytes += bytesOf(sessions.back());
    }
    return sessions;
  }

 private:
  int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(int percent) { return pick(0, 99) < percent; }

  std::string domain() {
    const int measured = shape_.measuredDomains, outside = shape_.outsideDomains;
    const int n = pick(0, measured + outside - 1);
    std::string name = n < measured ? "dom" + std::to_string(n) : "far" + std::to_string(n - measured);
    name += ".example";
    if (chance(shape_.otherCasePercent)) std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    return name;
  }
  std::string address() { return "box" + std::to_string(pick(0, 999)) + "@" + domain(); }
  std::string peer() {
    return std::to_string(pick(1, 223)) + "." + std::to_string(pick(0, 255)) + "." + std::to_string(pick(0, 255)) +
           "." + std::to_string(pick(1, 254));
  }

  void add(Session& s, std::int64_t& time, int direction, bool client, std::string text, std::uint64_t size = 0) {
    time += pick(0, 4);
    s.events.push_back(Event{time, direction, client, std::move(text), size});
  }

  Session smtpSession(std::int64_t time) {
    Session s{Service::smtp, peer(), smtpId_++, {}, {}, {}, {}};
    const bool client = chance(40);  // the server relaying out rather than receiving
    const int sent = client ? 2 : 1, received = client ? 1 : 2;
    const bool lower = chance(20);
    if (!client) add(s, time, 0, false, "Connected");
    add(s, time, received, client, "220 mail.example ready");
    add(s, time, sent, client, "EHLO relay" + std::to_string(pick(0, 99)) + ".example");
    add(s, time, received, client, "250 OK");
    s.sender = chance(5) ? "" : address();
    add(s, time, sent, client, std::string(lower ? "mail from:<" : "MAIL FROM:<") + s.sender + "> SIZE=" +
                                   std::to_string(pick(100, 90000)));
    add(s, time, received, client, "250 2.1.0 Sender OK");
    const int count = pick(0, shape_.maxRecipients);
    for (int i = 0; i < count; ++i) {
      s.recipients.push_back(address());
      add(s, time, sent, client, std::string(lower ? "rcpt to:<" : "RCPT TO:<") + s.recipients.back() + ">");
      add(s, time, received, client, "250 2.1.5 Recipient OK");
    }
    add(s, time, sent, client, "DATA");
    add(s, time, received, client, "354 Start mail input");
    const std::uint64_t size = static_cast<std::uint64_t>(pick(200, 250000));
    add(s, time, 3, false, "message accepted size " + std::to_string(size), size);
    add(s, time, received, client, "250 2.0.0 Queued");
    add(s, time, sent, client, "QUIT");
    if (!chance(shape_.unfinishedPercent)) add(s, time, 0, false, "Disconnected");
    return s;
  }

  Session popSession(std::int64_t time) {
    Session s{Service::pop3, chance(shape_.localPercent) ? "127.0.0.1" : peer(), popId_++, {}, {}, {}, {}};
    s.user = address();
    add(s, time, 1, false, "+OK POP3 ready");
    add(s, time, 2, false, "USER " + s.user);
    add(s, time, 1, false, "+OK send PASS");
    add(s, time, 2, false, "PASS secret" + std::to_string(pick(0, 9999)));
    add(s, time, 1, false, "+OK logged in");
    const int messages = pick(0, 3);
    for (int i = 1; i <= messages; ++i) {
      add(s, time, 2, false, "RETR " + std::to_string(i));
      const std::uint64_t size = static_cast<std::uint64_t>(pick(300, 120000));
      add(s, time, 3, false, "retrieved message " + std::to_string(size), size);
    }
    add(s, time, 2, false, "QUIT");
    add(s, time, 1, false, "+OK bye");
    if (!chance(shape_.unfinishedPercent)) add(s, time, 0, false, "Disconnected");
    return s;
  }

  // The bytes the writer gives the session's lines: a fixed-width head, the peer address,
  // the message and CR LF.
  static std::uint64_t bytesOf(const Session& s) {
    static const std::size_t head = maillog::logLine(Service::smtp, "", 0, LogStamp{}, "").size();
    std::uint64_t bytes = 0;
    for (const Event& e : s.events) bytes += head + s.address.size() + message(e).size() + 2;
    return bytes;
  }

  TrafficShape shape_;
  std::mt19937 random_;
  std::uint32_t smtpId_ = 0, popId_ = 0;
};

std::string domainOf(const std::string& address) {
  const std::size_t at = address.find('@');
  return at == std::string::npos ? std::string() : address.substr(at + 1);
}

DayCounters* counters(TrafficMap& traffic, const std::string& domain, const SYSTEMTIME& day) {
  const auto found = traffic.find(wide(domain));
  return found == traffic.end() ? nullptr : &found->second[day];
}

// What the session contributes, by the accounting rules applied to the events in the period.
void credit(const Session& s, std::int64_t from, std::int64_t to, TrafficMap& traffic) {
  if (s.service == Service::pop3 && s.address == "127.0.0.1") return;
  std::uint64_t first = 0, second = 0;
  bool senderSeen = false;
  std::vector<std::string> recipients;
  std::size_t recipientIndex = 0;
  const Event* end = nullptr;
  bool userSeen = false;
  for (const Event& e : s.events) {
    if (e.time < from || e.time >= to) {
      if (e.text.rfind("RCPT", 0) == 0 || e.text.rfind("rcpt", 0) == 0) ++recipientIndex;
      continue;
    }
    if (e.direction == 0) {
      if (e.text == "Disconnected") end = &e;
      continue;
    }
    const std::uint64_t length = e.text.size() + 2;
    if (s.service == Service::smtp) {
      if (e.text.rfind("MAIL", 0) == 0 || e.text.rfind("mail", 0) == 0) senderSeen = true;
      if (e.text.rfind("RCPT", 0) == 0 || e.text.rfind("rcpt", 0) == 0) recipients.push_back(s.recipients[recipientIndex++]);
      if (e.direction == 3) second += e.size;
      else if ((e.direction == 1) == e.client) second += length;
      else first += length;
    } else {
      if (e.text.rfind("USER ", 0) == 0) userSeen = true;
      if (e.direction == 1) first += length;
      else if (e.direction == 2) second += length;
      else first += e.size;
    }
  }
  if (!end) return;
  SYSTEMTIME day = toSystemTime(end->time - end->time % 86400);
  if (s.service == Service::pop3) {
    if (!userSeen) return;
    if (DayCounters* c = counters(traffic, domainOf(s.user), day)) {
      (*c)[4] += first;
      (*c)[5] += second;
    }
    return;
  }
  // A session whose sender line fell before the period has no sender.
  const std::string sender = senderSeen ? s.sender : std::string();
  std::uint64_t listed = 0;
  for (const std::string& r : recipients) listed += traffic.count(wide(domainOf(r)));
  if (listed < recipients.size()) {
    if (DayCounters* c = counters(traffic, domainOf(sender), day)) {
      (*c)[0] += first;
      (*c)[1] += second;
    }
  }
  if (listed == 0) return;
  for (const std::string& r : recipients) {
    if (DayCounters* c = counters(traffic, domainOf(r), day)) {
      (*c)[2] += first / listed;
      (*c)[3] += second / listed;
    }
  }
}

}  // namespace

TrafficMap GeneratedTraffic::emptyTraffic() const {
  TrafficMap traffic;
  for (const auto& entry : expected) traffic[entry.first];
  return traffic;
}

GeneratedTraffic generateTrafficLogs(const std::wstring& directory, const TrafficShape& shape, std::uint32_t seed) {
  GeneratedTraffic result;
  Generator generator(shape, seed);
  const std::int64_t firstDay = maillog::toSeconds(LogStamp{2026, 3, 1, 0, 0, 0}) + 86400LL * (seed % 300);
  // One day of files lies wholly before the period; the period starts and ends mid-day.
  const std::int64_t from = firstDay + 86400 + 6 * 3600;
  const std::int64_t to = shape.targetBytes ? firstDay + 86400LL * 100000 : firstDay + 86400LL * shape.days + 18 * 3600;
  result.from = toSystemTime(from);
  result.to = toSystemTime(to);
  for (int i = 0; i < shape.measuredDomains; ++i) result.expected[L"dom" + std::to_wstring(i) + L".example"];

  const std::string folder(directory.begin(), directory.end());
  for (int day = 0; shape.targetBytes ? result.bytes < shape.targetBytes : day <= shape.days; ++day) {
    const std::int64_t dayStart = firstDay + 86400LL * day;
    const std::uint64_t budget =
        shape.targetBytes ? shape.targetBytes - result.bytes : std::numeric_limits<std::uint64_t>::max();
    std::vector<Session> sessions = generator.day(dayStart, budget);
    struct Line {
      std::int64_t time;
      const Session* session;
      const Event* event;
    };
    std::vector<Line> smtp, pop;
    for (const Session& s : sessions) {
      credit(s, from, to, result.expected);
      for (const Event& e : s.events) (s.service == Service::smtp ? smtp : pop).push_back(Line{e.time, &s, &e});
    }
    for (auto* lines : {&pop, &smtp}) {
      std::stable_sort(lines->begin(), lines->end(), [](const Line& a, const Line& b) { return a.time < b.time; });
      if (lines->empty()) continue;
      const Service service = lines->front().session->service;
      const std::string name = maillog::logFileName(service, maillog::fromSeconds(dayStart));
      maillog::LogFileWriter writer(folder + name, false);
      for (const Line& line : *lines) {
        writer.write(service, line.session->address, line.session->id, maillog::fromSeconds(line.time),
                     message(*line.event));
      }
      result.bytes += writer.bytesWritten();
      result.lines += lines->size();
      ++result.files;
      if (lines->back().time < from) result.expectedFinished.push_back(directory + wide(name));
    }
  }
  result.expectedFinished.sort();
  return result;
}
