// The stand-in SMTP receiver as a program:
//   smtp_receiver --maildir DIR [--port N] [--logdir DIR] [--fault STAGE:ACTION]...
// STAGE: greeting, ehlo, mail, rcpt, data, body; ACTION: error, hang, close.
// Listens on 127.0.0.1 (port 0: any free port), writes "listening on port N" to standard
// output once it accepts connections, and serves one connection at a time until killed.

#include "socket_owner.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "smtp_session.h"

namespace {

int usage() {
  std::fwprintf(stderr, L"usage: smtp_receiver --maildir DIR [--port N] [--logdir DIR] [--fault STAGE:ACTION]...\n");
  return 2;
}

bool parseFault(const std::wstring& text, ReceiverOptions& options) {
  const size_t colon = text.find(L':');
  Stage stage;
  FaultAction action;
  if (colon == std::wstring::npos || !parseStage(text.substr(0, colon), stage) ||
      !parseAction(text.substr(colon + 1), action)) {
    return false;
  }
  options.faults[stage] = action;
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  ReceiverOptions options;
  int port = 25;
  for (int i = 1; i < argc; i += 2) {
    if (i + 1 >= argc) return usage();
    const std::wstring flag = argv[i], value = argv[i + 1];
    if (flag == L"--maildir") {
      options.mailDirectory = value;
    } else if (flag == L"--logdir") {
      options.logDirectory = value;
    } else if (flag == L"--port") {
      port = static_cast<int>(std::wcstol(value.c_str(), nullptr, 10));
    } else if (flag != L"--fault" || !parseFault(value, options)) {
      return usage();
    }
  }
  if (options.mailDirectory.empty()) return usage();
  CreateDirectoryW(options.mailDirectory.c_str(), nullptr);

  const WinsockSession winsock;
  const SocketHandle listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (!listener || bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.get(), 8) != 0) {
    std::fwprintf(stderr, L"smtp_receiver: cannot listen on port %d (error %d)\n", port, WSAGetLastError());
    return 1;
  }
  int length = sizeof address;
  getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length);
  std::printf("listening on port %u\n", ntohs(address.sin_port));
  std::fflush(stdout);

  for (std::uint32_t session = 1;; ++session) {
    sockaddr_in peer{};
    int peerLength = sizeof peer;
    const SocketHandle client(accept(listener.get(), reinterpret_cast<sockaddr*>(&peer), &peerLength));
    if (!client) continue;
    char text[INET_ADDRSTRLEN] = "0.0.0.0";
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    serveSession(client.get(), text, session, options);
  }
}
