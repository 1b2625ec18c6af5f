#pragma once
// Writing the stand-in mail server's SMTP and POP3 log files: one line per event of a
// connection, in the server's line layout:
//   <peer address> [<session id, 8 hex digits>] <service> <dd> <Mon> <yyyy> <hh:mm:ss> <zone> <message>
// Messages are "[Client session ]>>> text" (sent by the server), "<<< text" (received),
// "*** text" (an event with a size word) or plain text such as "Disconnected".

#include <cstdint>
#include <fstream>
#include <string>

namespace maillog {

struct LogStamp {
  int year = 2026, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

enum class Service { smtp, pop3 };

// One log line without its line end; text is ANSI (8-bit) as the server writes it.
std::string logLine(Service service, const std::string& address, std::uint32_t sessionId, const LogStamp& stamp,
                    const std::string& message);

// The file name the server uses for a service and day: "sYYYYMMDD.log" or "pYYYYMMDD.log".
std::string logFileName(Service service, const LogStamp& day);

// Adds lines to a log file, each ended by CR LF; raises std::runtime_error when the file
// cannot be opened or written.
class LogFileWriter {
 public:
  LogFileWriter(const std::string& path, bool append);
  void write(Service service, const std::string& address, std::uint32_t sessionId, const LogStamp& stamp,
             const std::string& message);
  // A raw line as given, for damaged files in tests.
  void writeRaw(const std::string& line);
  std::uint64_t bytesWritten() const { return bytes_; }

 private:
  std::ofstream out_;
  std::string path_;
  std::uint64_t bytes_ = 0;
};

// Seconds since 2000-01-01 and back, for walking times forward across days.
std::int64_t toSeconds(const LogStamp& stamp);
LogStamp fromSeconds(std::int64_t seconds);

}  // namespace maillog
