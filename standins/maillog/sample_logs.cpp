// Writes a small, fixed set of SMTP and POP3 log files into a directory, as the mail server
// would have written them on 2 and 3 March 2026, for the demo's traffic section:
//   maillog_sample.exe DIRECTORY
// example.com sends to and receives from outside, xn--bcher-kva.example receives, and one
// mailbox of example.com is read over POP3 (plus a local check from 127.0.0.1 that does
// not count).

#include <cstdio>
#include <exception>
#include <string>

#include "maillog/mail_log_writer.h"

using maillog::LogFileWriter;
using maillog::LogStamp;
using maillog::Service;

namespace {

void smtpSession(LogFileWriter& log, unsigned id, LogStamp at, const std::string& from, const std::string& to,
                 int size) {
  const auto line = [&](const std::string& message) {
    log.write(Service::smtp, "203.0.113.25", id, at, message);
    ++at.second;
  };
  line(">>> 220 mail.example.com ready");
  line("<<< EHLO client.example");
  line(">>> 250 OK");
  line("<<< MAIL FROM:<" + from + "> SIZE=" + std::to_string(size));
  line(">>> 250 OK");
  line("<<< RCPT TO:<" + to + ">");
  line(">>> 250 OK");
  line("*** message accepted size " + std::to_string(size));
  line(">>> 221 bye");
  line("Disconnected");
}

void popSession(LogFileWriter& log, unsigned id, const std::string& address, LogStamp at, const std::string& user,
                int size) {
  const auto line = [&](const std::string& message) {
    log.write(Service::pop3, address, id, at, message);
    ++at.second;
  };
  line(">>> +OK ready");
  line("<<< USER " + user);
  line(">>> +OK");
  line("*** retrieved message " + std::to_string(size));
  line("Disconnected");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: maillog_sample DIRECTORY\n");
    return 2;
  }
  std::string directory = argv[1];
  if (!directory.empty() && directory.back() != '\\' && directory.back() != '/') directory += '\\';
  try {
    for (int day : {2, 3}) {
      const LogStamp date{2026, 3, day, 0, 0, 0};
      LogFileWriter smtp(directory + maillog::logFileName(Service::smtp, date), false);
      smtpSession(smtp, 0x100 + day, LogStamp{2026, 3, day, 9, 15, 0}, "info@example.com", "partner@example.net",
                  12000 * day);
      smtpSession(smtp, 0x200 + day, LogStamp{2026, 3, day, 11, 40, 0}, "news@example.org",
                  "team@xn--bcher-kva.example", 3500);
      smtpSession(smtp, 0x300 + day, LogStamp{2026, 3, day, 16, 5, 0}, "partner@example.net", "info@example.com",
                  48000);
      LogFileWriter pop(directory + maillog::logFileName(Service::pop3, date), false);
      popSession(pop, 0x400 + day, "203.0.113.80", LogStamp{2026, 3, day, 17, 0, 0}, "info@example.com", 48000);
      popSession(pop, 0x500 + day, "127.0.0.1", LogStamp{2026, 3, day, 17, 30, 0}, "info@example.com", 48000);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "maillog_sample: %s\n", e.what());
    return 1;
  }
  return 0;
}
