#pragma once
// The stand-in SMTP receiver as a child process of one test: on a free port, with a mail
// and a log directory of the test's own, and the faults the test asks for
// ("rcpt:error", "data:hang", "body:close"). The process is ended with the object.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/owner.h"
#include "platform/scratch_dir.h"

class SmtpReceiver {
 public:
  explicit SmtpReceiver(const std::vector<std::wstring>& faults = {});  // throws std::runtime_error
  ~SmtpReceiver();
  SmtpReceiver(const SmtpReceiver&) = delete;
  SmtpReceiver& operator=(const SmtpReceiver&) = delete;

  int port() const { return port_; }
  std::wstring mailDirectory() const { return scratch_ / L"Mail"; }
  // Every stored message, in the order received (all recipients' copies).
  std::vector<std::string> messages() const;

 private:
  ScratchDir scratch_;
  KernelHandle process_;
  int port_ = 0;
};

// A local port with nothing listening on it.
int closedPort();
// The whole content of a file ("" when it cannot be read).
std::string fileBytes(const std::wstring& path);
