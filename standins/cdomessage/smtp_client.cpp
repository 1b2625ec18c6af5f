#include "socket_owner.h"

#include <ws2tcpip.h>

#include "smtp_client.h"

#include <cstdlib>

#include "identity.h"

namespace {

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

[[noreturn]] void fail(HRESULT code, const std::string& text) { throw SmtpFailure{code, widen(text)}; }

// Connects with a bounded wait; an empty handle when nothing answers.
SocketHandle connectTo(const SmtpJob& job) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(job.server.c_str(), std::to_string(job.port).c_str(), &hints, &found) != 0) return {};
  SocketHandle result;
  for (addrinfo* a = found; a && !result; a = a->ai_next) {
    SocketHandle s(socket(a->ai_family, a->ai_socktype, a->ai_protocol));
    if (!s) continue;
    u_long nonBlocking = 1;
    ioctlsocket(s.get(), FIONBIO, &nonBlocking);
    bool connected = connect(s.get(), a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s.get(), &writable);
      FD_SET(s.get(), &failed);
      timeval wait{static_cast<long>(job.timeoutMs / 1000), static_cast<long>(job.timeoutMs % 1000) * 1000};
      connected = select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(s.get(), &writable) &&
                  !FD_ISSET(s.get(), &failed);
      int error = 0, length = sizeof error;
      if (connected && getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error) {
        connected = false;
      }
    }
    nonBlocking = 0;
    ioctlsocket(s.get(), FIONBIO, &nonBlocking);
    if (connected) result = std::move(s);
  }
  freeaddrinfo(found);
  return result;
}

class Conversation {
 public:
  Conversation(SOCKET s, DWORD timeoutMs) : s_(s) {
    const DWORD timeout = timeoutMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  }

  void send(const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
      const int n = ::send(s_, text.data() + sent, static_cast<int>(text.size() - sent), 0);
      if (n <= 0) fail(smtpSendFailed, "The connection to the SMTP server was lost while sending");
      sent += static_cast<size_t>(n);
    }
  }

  // Reads one reply (all its lines); fails unless its code is the expected one.
  void expect(int code, const char* step) {
    std::string line, last;
    do {
      line = readLine(step);
      last = line;
    } while (line.size() > 3 && line[3] == '-');
    if (last.size() < 3 || std::atoi(last.substr(0, 3).c_str()) != code) {
      fail(smtpSendFailed, std::string("The SMTP server refused ") + step + ": " + last);
    }
  }

 private:
  std::string readLine(const char* step) {
    for (;;) {
      const size_t end = buffer_.find("\r\n");
      if (end != std::string::npos) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return line;
      }
      char chunk[512];
      const int n = recv(s_, chunk, sizeof chunk, 0);
      if (n == 0) fail(smtpSendFailed, std::string("The SMTP server closed the connection at ") + step);
      if (n < 0) {
        const int error = WSAGetLastError();
        fail(smtpSendFailed, std::string(error == WSAETIMEDOUT ? "The SMTP server did not answer " : "Receive failed at ") + step);
      }
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  SOCKET s_;
  std::string buffer_;
};

// Lines beginning with "." get one more, and the data ends in CR LF.
std::string dotStuffed(const std::string& data) {
  std::string out;
  out.reserve(data.size() + 16);
  bool lineStart = true;
  for (char c : data) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  if (out.size() < 2 || out.compare(out.size() - 2, 2, "\r\n") != 0) out += "\r\n";
  return out;
}

std::string trimmed(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

}  // namespace

void sendMail(const SmtpJob& job) {
  WinsockSession winsock;
  const SocketHandle s = connectTo(job);
  if (!s) {
    fail(transportFailedToConnect, "The transport failed to connect to the server " + job.server + ":" + std::to_string(job.port));
  }
  Conversation talk(s.get(), job.timeoutMs);
  talk.expect(220, "the greeting");
  talk.send("EHLO localhost\r\n");
  talk.expect(250, "EHLO");
  talk.send("MAIL FROM:<" + job.sender + ">\r\n");
  talk.expect(250, "MAIL FROM");
  for (const std::string& recipient : job.recipients) {
    talk.send("RCPT TO:<" + recipient + ">\r\n");
    talk.expect(250, "RCPT TO");
  }
  talk.send("DATA\r\n");
  talk.expect(354, "DATA");
  talk.send(dotStuffed(job.data) + ".\r\n");
  talk.expect(250, "the message");
  // The message is accepted: how the server ends the session no longer matters.
  try {
    talk.send("QUIT\r\n");
    talk.expect(221, "QUIT");
  } catch (const SmtpFailure&) {
  }
}

std::string envelopeAddress(const std::wstring& headerValue) {
  std::string value;
  for (wchar_t c : headerValue) value += c < 0x80 ? static_cast<char>(c) : '?';
  const size_t open = value.rfind('<');
  const size_t close = value.rfind('>');
  if (open != std::string::npos && close != std::string::npos && open < close) return value.substr(open + 1, close - open - 1);
  return trimmed(value);
}

std::vector<std::string> envelopeAddresses(const std::wstring& headerValue) {
  std::vector<std::string> addresses;
  std::wstring item;
  bool quoted = false;
  auto finish = [&] {
    const std::string address = envelopeAddress(item);
    if (!address.empty()) addresses.push_back(address);
    item.clear();
  };
  for (wchar_t c : headerValue) {
    if (c == L'"') quoted = !quoted;
    if (!quoted && (c == L',' || c == L';')) {
      finish();
    } else {
      item += c;
    }
  }
  finish();
  return addresses;
}
