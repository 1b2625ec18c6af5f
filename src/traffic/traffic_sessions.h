#pragma once
// Replaying SMTP and POP3 log lines session by session and crediting each finished
// session to the measured domains of the day it ended.

#include <cstdint>
#include <unordered_map>
#include <string>

#include "interfaces/provider_types.h"
#include "traffic/dravo_log_file.h"

namespace Dravo {

struct SmtpSession {
  std::wstring sender;
  StringList recipients;
  std::uint64_t first = 0;
  std::uint64_t second = 0;
};

struct PopSession {
  StringList users;
  std::uint64_t first = 0;
  std::uint64_t second = 0;
};

// Hashed: sessions that never log their end stay for the whole call, and a long period
// gathers tens of thousands of them.
using SmtpSessions = std::unordered_map<std::uint32_t, SmtpSession>;
using PopSessions = std::unordered_map<std::uint32_t, PopSession>;

void processSMTPTraffic(const DravoLogFile::LogLine& line, SmtpSessions& sessions, TrafficMap& traffic);
void processPOPTraffic(const DravoLogFile::LogLine& line, PopSessions& sessions, TrafficMap& traffic);

// The text after the first "@"; empty without one.
std::wstring domainOf(const std::wstring& address);

}  // namespace Dravo
