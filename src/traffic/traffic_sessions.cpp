#include "traffic/traffic_sessions.h"

#include <algorithm>
#include <cwchar>

#include "platform/exceptions.h"

namespace Dravo {
namespace {

template <class Char>
using Line = DravoLogFile::LineView<Char>;
template <class Char>
using Text = std::basic_string_view<Char>;

// A narrow text is ASCII, which widens byte by byte.
template <class Char>
std::wstring wideOf(Text<Char> text) {
  return std::wstring(text.begin(), text.end());
}

template <class Char>
bool isText(Text<Char> text, std::string_view ascii) {
  return text.size() == ascii.size() && std::equal(ascii.begin(), ascii.end(), text.begin(), [](char a, Char b) { return Char(a) == b; });
}

// The text between the first "<" and the first ">" when they stand in that order.
template <class Char>
Text<Char> addressPart(Text<Char> parameter) {
  const std::size_t open = parameter.find(Char('<'));
  const std::size_t close = parameter.find(Char('>'));
  if (open == parameter.npos || close == parameter.npos || open > close) return parameter;
  return parameter.substr(open + 1, close - open - 1);
}

// The day map of the domain of `address` (the text after its first "@", empty without
// one), or null when that domain is not measured. `domain` is room for the name.
template <class Char>
DayMap* measuredDays(Text<Char> address, TrafficMap& traffic, std::wstring& domain) {
  const std::size_t at = address.find(Char('@'));
  if (at == address.npos) domain.clear();
  else domain.assign(address.begin() + static_cast<std::ptrdiff_t>(at + 1), address.end());
  const auto found = traffic.find(domain);
  return found == traffic.end() ? nullptr : &found->second;
}

template <class Char>
std::uint64_t sizeWord(const Line<Char>& line, std::size_t index, const char* where) {
  const Text<Char> size = logWord(line.text, index);
  if (size.empty()) throwRuntimeError(L"Wrong log file format. Size expected", site(where, __LINE__));
  // A decimal 32-bit value from the leading digits, as the server writes it; other shapes
  // are read by the C library.
  if (size.size() <= 9 && std::all_of(size.begin(), size.end(), [](Char c) { return c >= Char('0') && c <= Char('9'); })) {
    std::uint64_t value = 0;
    for (const Char c : size) value = value * 10 + static_cast<std::uint64_t>(c - Char('0'));
    return value;
  }
  return static_cast<std::uint32_t>(std::wcstoul(wideOf(size).c_str(), nullptr, 10));
}

void append(std::vector<DayMap*>& list, DayMap* entry) {
  if (list.empty()) list.reserve(4);  // grown once for the usual few
  list.push_back(entry);
}

SYSTEMTIME dayOf(const SYSTEMTIME& time) {
  SYSTEMTIME day{};
  day.wYear = time.wYear;
  day.wMonth = time.wMonth;
  day.wDay = time.wDay;
  return day;
}

// The counters of one day, made on first credit.
DayCounters& countersOf(DayMap& days, const SYSTEMTIME& day) { return days.try_emplace(day, DayCounters{}).first->second; }

template <class Char>
bool isDisconnect(const Line<Char>& line) {
  return isText(line.text, "Disconnected");
}

void creditSmtp(const SmtpSession& session, const SYSTEMTIME& day) {
  const auto listed = static_cast<std::uint64_t>(session.recipients.size()) -
                      static_cast<std::uint64_t>(std::count(session.recipients.begin(), session.recipients.end(), nullptr));
  // Mail that stays among measured domains is counted on the receiving side only.
  if (listed < session.recipients.size() && session.sender) {
    DayCounters& sender = countersOf(*session.sender, day);
    sender[0] += session.first;
    sender[1] += session.second;
  }
  if (listed == 0) return;
  for (DayMap* recipient : session.recipients) {
    if (!recipient) continue;
    DayCounters& counters = countersOf(*recipient, day);
    counters[2] += session.first / listed;
    counters[3] += session.second / listed;
  }
}

void creditPop(const PopSession& session, const SYSTEMTIME& day) {
  for (DayMap* user : session.users) {
    if (!user) continue;
    DayCounters& counters = countersOf(*user, day);
    counters[4] += session.first;
    counters[5] += session.second;
  }
}

// An empty session in the memory of an ended one.
void restart(SmtpSession& session) {
  session.hasSender = false;
  session.sender = nullptr;
  session.recipients.clear();
  session.first = session.second = 0;
}
void restart(PopSession& session) {
  session.users.clear();
  session.first = session.second = 0;
}

// The session of `id`, made when absent.
template <class Session>
Session& sessionOf(std::unordered_map<std::uint32_t, Session>& sessions, std::uint32_t id, SessionCursor<Session>& cursor) {
  if (cursor.session && cursor.id == id) return *cursor.session;
  auto found = sessions.find(id);
  if (found == sessions.end() && cursor.spare.empty()) {
    found = sessions.try_emplace(id).first;
  } else if (found == sessions.end()) {
    cursor.spare.key() = id;
    restart(cursor.spare.mapped());
    found = sessions.insert(std::move(cursor.spare)).position;
  }
  cursor.id = id;
  cursor.session = &found->second;
  return found->second;
}

// Credits and removes the session of a "Disconnected" line, if it has one.
template <class Session, class Char, class Credit>
void endSession(const Line<Char>& line, std::unordered_map<std::uint32_t, Session>& sessions, SessionCursor<Session>& cursor,
                Credit credit) {
  if (!isDisconnect(line)) return;
  const auto found = sessions.find(line.sessionId);
  if (found == sessions.end()) return;
  credit(found->second, dayOf(line.time));
  if (cursor.session == &found->second) cursor.session = nullptr;
  cursor.spare = sessions.extract(found);
}

}  // namespace

template <class Char>
void processSMTPTraffic(const Line<Char>& line, SmtpSessions& sessions, TrafficMap& traffic, SessionCursor<SmtpSession>& cursor) {
  if (line.direction == DravoLogFile::noDirection) {
    endSession(line, sessions, cursor, creditSmtp);
    return;
  }
  SmtpSession& session = sessionOf(sessions, line.sessionId, cursor);
  // Both keywords end in a colon, which no case mapping makes: most lines have none. An
  // inline search, as the C library's costs a call and goes byte by byte.
  const bool mayName = std::find(line.text.begin(), line.text.end(), Char(':')) != line.text.end();
  const Text<Char> sender = mayName ? logParameter(line.text, "MAIL FROM:") : Text<Char>();
  if (!sender.empty()) {
    if (session.hasSender) {
      throwRuntimeError(L"Multi MAIL FROM: headers detected", site("Dravo::processSMTPTraffic", __LINE__));
    }
    const Text<Char> address = addressPart(sender);
    session.hasSender = !address.empty();
    session.sender = measuredDays(address, traffic, cursor.domain);
  } else if (mayName) {
    const Text<Char> recipient = logParameter(line.text, "RCPT TO:");
    if (!recipient.empty()) append(session.recipients, measuredDays(addressPart(recipient), traffic, cursor.domain));
  }
  const std::uint64_t length = line.text.size() + 2;
  switch (line.direction) {
    case DravoLogFile::outgoing:
      (line.clientSession ? session.second : session.first) += length;
      break;
    case DravoLogFile::incoming:
      (line.clientSession ? session.first : session.second) += length;
      break;
    default:
      session.second += sizeWord(line, 3, "Dravo::processSMTPTraffic");
      break;
  }
}

template <class Char>
void processPOPTraffic(const Line<Char>& line, PopSessions& sessions, TrafficMap& traffic, SessionCursor<PopSession>& cursor) {
  if (isText(line.address, "127.0.0.1")) return;  // the server's own local checks
  if (line.direction == DravoLogFile::noDirection) {
    endSession(line, sessions, cursor, creditPop);
    return;
  }
  PopSession& session = sessionOf(sessions, line.sessionId, cursor);
  const Text<Char> user = logParameter(line.text, "USER");
  if (!user.empty()) append(session.users, measuredDays(user, traffic, cursor.domain));
  const std::uint64_t length = line.text.size() + 2;
  switch (line.direction) {
    case DravoLogFile::outgoing:
      session.first += length;
      break;
    case DravoLogFile::incoming:
      session.second += length;
      break;
    default:
      session.first += sizeWord(line, 2, "Dravo::processPOPTraffic");
      break;
  }
}

template void processSMTPTraffic(const Line<char>&, SmtpSessions&, TrafficMap&, SessionCursor<SmtpSession>&);
template void processSMTPTraffic(const Line<wchar_t>&, SmtpSessions&, TrafficMap&, SessionCursor<SmtpSession>&);
template void processPOPTraffic(const Line<char>&, PopSessions&, TrafficMap&, SessionCursor<PopSession>&);
template void processPOPTraffic(const Line<wchar_t>&, PopSessions&, TrafficMap&, SessionCursor<PopSession>&);

void processSMTPTraffic(const DravoLogFile::LogLine& line, SmtpSessions& sessions, TrafficMap& traffic) {
  SessionCursor<SmtpSession> none;
  processSMTPTraffic(line.view(), sessions, traffic, none);
}

void processPOPTraffic(const DravoLogFile::LogLine& line, PopSessions& sessions, TrafficMap& traffic) {
  SessionCursor<PopSession> none;
  processPOPTraffic(line.view(), sessions, traffic, none);
}

}  // namespace Dravo
