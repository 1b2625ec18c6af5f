#pragma once
// Replaying SMTP and POP3 log lines session by session and crediting each finished
// session to the measured domains of the day it ended.

#include <cstdint>
#include <unordered_map>
#include <string>
#include <vector>

#include "interfaces/provider_types.h"
#include "traffic/dravo_log_file.h"

namespace Dravo {

// Only the domains of a session's addresses are credited, and a call never adds or
// removes measured domains: each address is kept as the day map of its domain, null when
// the domain is not measured. This spares the many sessions a string per address.
struct SmtpSession {
  bool hasSender = false;  // a MAIL FROM with a non-empty address was seen
  DayMap* sender = nullptr;
  std::vector<DayMap*> recipients;  // in order, duplicates kept
  std::uint64_t first = 0;
  std::uint64_t second = 0;
};

struct PopSession {
  std::vector<DayMap*> users;  // one per USER command
  std::uint64_t first = 0;
  std::uint64_t second = 0;
};

// Hashed: sessions that never log their end stay for the whole call, and a long period
// gathers tens of thousands of them.
using SmtpSessions = std::unordered_map<std::uint32_t, SmtpSession>;
using PopSessions = std::unordered_map<std::uint32_t, PopSession>;

void processSMTPTraffic(const DravoLogFile::LogLine& line, SmtpSessions& sessions, TrafficMap& traffic);
void processPOPTraffic(const DravoLogFile::LogLine& line, PopSessions& sessions, TrafficMap& traffic);

// What a reader keeps from line to line besides the sessions: the session of the last
// line, as consecutive lines mostly belong to one session and so are spared the look-up;
// the entry of the last session ended, which the next new one takes over with its
// memory; and room for a domain name.
template <class Session>
struct SessionCursor {
  std::uint32_t id = 0;
  Session* session = nullptr;
  typename std::unordered_map<std::uint32_t, Session>::node_type spare;
  std::wstring domain;
};

// The same for a parsed view of a line: narrow for an ASCII line, else wide. `cursor`
// belongs to `sessions`.
// Made for char and wchar_t.
template <class Char>
void processSMTPTraffic(const DravoLogFile::LineView<Char>& line, SmtpSessions& sessions, TrafficMap& traffic,
                        SessionCursor<SmtpSession>& cursor);
template <class Char>
void processPOPTraffic(const DravoLogFile::LineView<Char>& line, PopSessions& sessions, TrafficMap& traffic,
                       SessionCursor<PopSession>& cursor);

}  // namespace Dravo
