#include "traffic/traffic_sessions.h"

#include <cwchar>

#include "platform/exceptions.h"

namespace Dravo {
namespace {

using Line = DravoLogFile::LogLine;

// The text between the first "<" and the first ">" when they stand in that order.
std::wstring addressPart(const std::wstring& parameter) {
  const std::size_t open = parameter.find(L'<');
  const std::size_t close = parameter.find(L'>');
  if (open == std::wstring::npos || close == std::wstring::npos || open > close) return parameter;
  return parameter.substr(open + 1, close - open - 1);
}

std::uint64_t sizeWord(const Line& line, std::size_t index, const char* where) {
  const std::wstring size = line.message.word(index);
  if (size.empty()) throwRuntimeError(L"Wrong log file format. Size expected", site(where, __LINE__));
  // A decimal 32-bit value from the leading digits, as the server writes it.
  return static_cast<std::uint32_t>(std::wcstoul(size.c_str(), nullptr, 10));
}

SYSTEMTIME dayOf(const SYSTEMTIME& time) {
  SYSTEMTIME day{};
  day.wYear = time.wYear;
  day.wMonth = time.wMonth;
  day.wDay = time.wDay;
  return day;
}

// The day entry of a measured domain, made on first credit; null for an unmeasured one.
DayCounters* countersOf(TrafficMap& traffic, const std::wstring& domain, const SYSTEMTIME& day) {
  const auto found = traffic.find(domain);
  if (found == traffic.end()) return nullptr;
  return &found->second.try_emplace(day, DayCounters{}).first->second;
}

bool isDisconnect(const Line& line) { return line.message.text == L"Disconnected"; }

void creditSmtp(const SmtpSession& session, const SYSTEMTIME& day, TrafficMap& traffic) {
  std::uint64_t listed = 0;
  for (const std::wstring& recipient : session.recipients) {
    if (traffic.count(domainOf(recipient)) != 0) ++listed;
  }
  // Mail that stays among measured domains is counted on the receiving side only.
  if (listed < session.recipients.size()) {
    if (DayCounters* sender = countersOf(traffic, domainOf(session.sender), day)) {
      (*sender)[0] += session.first;
      (*sender)[1] += session.second;
    }
  }
  if (listed == 0) return;
  for (const std::wstring& recipient : session.recipients) {
    if (DayCounters* counters = countersOf(traffic, domainOf(recipient), day)) {
      (*counters)[2] += session.first / listed;
      (*counters)[3] += session.second / listed;
    }
  }
}

void creditPop(const PopSession& session, const SYSTEMTIME& day, TrafficMap& traffic) {
  for (const std::wstring& user : session.users) {
    if (DayCounters* counters = countersOf(traffic, domainOf(user), day)) {
      (*counters)[4] += session.first;
      (*counters)[5] += session.second;
    }
  }
}

}  // namespace

std::wstring domainOf(const std::wstring& address) {
  const std::size_t at = address.find(L'@');
  return at == std::wstring::npos ? std::wstring() : address.substr(at + 1);
}

void processSMTPTraffic(const Line& line, SmtpSessions& sessions, TrafficMap& traffic) {
  const DravoLogFile::LogMessage& message = line.message;
  if (message.direction == DravoLogFile::noDirection) {
    if (!isDisconnect(line)) return;
    const auto found = sessions.find(line.sessionId);
    if (found == sessions.end()) return;
    creditSmtp(found->second, dayOf(line.time), traffic);
    sessions.erase(found);
    return;
  }
  SmtpSession& session = sessions[line.sessionId];
  // Both keywords end in a colon, which no case mapping makes: most lines have none.
  const bool mayName = message.text.find(L':') != std::wstring::npos;
  const std::wstring sender = mayName ? message.parameter(L"MAIL FROM:") : std::wstring();
  if (!sender.empty()) {
    if (!session.sender.empty()) {
      throwRuntimeError(L"Multi MAIL FROM: headers detected", site("Dravo::processSMTPTraffic", __LINE__));
    }
    session.sender = addressPart(sender);
  } else if (mayName) {
    const std::wstring recipient = message.parameter(L"RCPT TO:");
    if (!recipient.empty()) session.recipients.push_back(addressPart(recipient));
  }
  const std::uint64_t length = message.text.size() + 2;
  switch (message.direction) {
    case DravoLogFile::outgoing:
      (message.clientSession ? session.second : session.first) += length;
      break;
    case DravoLogFile::incoming:
      (message.clientSession ? session.first : session.second) += length;
      break;
    default:
      session.second += sizeWord(line, 3, "Dravo::processSMTPTraffic");
      break;
  }
}

void processPOPTraffic(const Line& line, PopSessions& sessions, TrafficMap& traffic) {
  if (line.address == L"127.0.0.1") return;  // the server's own local checks
  const DravoLogFile::LogMessage& message = line.message;
  if (message.direction == DravoLogFile::noDirection) {
    if (!isDisconnect(line)) return;
    const auto found = sessions.find(line.sessionId);
    if (found == sessions.end()) return;
    creditPop(found->second, dayOf(line.time), traffic);
    sessions.erase(found);
    return;
  }
  PopSession& session = sessions[line.sessionId];
  const std::wstring user = message.parameter(L"USER");
  if (!user.empty()) session.users.push_back(user);
  const std::uint64_t length = message.text.size() + 2;
  switch (message.direction) {
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

}  // namespace Dravo
