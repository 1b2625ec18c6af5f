#include "maillog/mail_log_writer.h"

#include <cstdio>
#include <stdexcept>

namespace maillog {
namespace {

const char* const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

}  // namespace

std::string logLine(Service service, const std::string& address, std::uint32_t sessionId, const LogStamp& stamp,
                    const std::string& message) {
  char head[96];
  std::snprintf(head, sizeof head, " [%08X] %s %02d %s %04d %02d:%02d:%02d +0000 ", static_cast<unsigned>(sessionId),
                service == Service::smtp ? "SMTP" : "POP3", stamp.day, monthNames[(stamp.month + 11) % 12],
                stamp.year, stamp.hour, stamp.minute, stamp.second);
  return address + head + message;
}

std::string logFileName(Service service, const LogStamp& day) {
  char name[32];
  std::snprintf(name, sizeof name, "%c%04d%02d%02d.log", service == Service::smtp ? 's' : 'p', day.year, day.month,
                day.day);
  return name;
}

LogFileWriter::LogFileWriter(const std::string& path, bool append)
    : out_(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc)), path_(path) {
  if (!out_) throw std::runtime_error("cannot open log file " + path);
}

void LogFileWriter::write(Service service, const std::string& address, std::uint32_t sessionId,
                          const LogStamp& stamp, const std::string& message) {
  writeRaw(logLine(service, address, sessionId, stamp, message));
}

void LogFileWriter::writeRaw(const std::string& line) {
  out_ << line << "\r\n";
  if (!out_) throw std::runtime_error("cannot write log file " + path_);
  bytes_ += line.size() + 2;
}

std::int64_t toSeconds(const LogStamp& stamp) {
  std::int64_t days = 0;
  for (int year = 2000; year < stamp.year; ++year) days += isLeap(year) ? 366 : 365;
  for (int month = 1; month < stamp.month; ++month) days += daysInMonth(stamp.year, month);
  days += stamp.day - 1;
  return ((days * 24 + stamp.hour) * 60 + stamp.minute) * 60 + stamp.second;
}

LogStamp fromSeconds(std::int64_t seconds) {
  LogStamp stamp;
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  stamp.hour = static_cast<int>(rest / 3600);
  stamp.minute = static_cast<int>(rest / 60 % 60);
  stamp.second = static_cast<int>(rest % 60);
  stamp.year = 2000;
  while (days >= (isLeap(stamp.year) ? 366 : 365)) days -= isLeap(stamp.year++) ? 366 : 365;
  stamp.month = 1;
  while (days >= daysInMonth(stamp.year, stamp.month)) days -= daysInMonth(stamp.year, stamp.month++);
  stamp.day = static_cast<int>(days) + 1;
  return stamp;
}

}  // namespace maillog
