#pragma once
// Owner of a Winsock socket, for the stand-ins that speak over TCP. Include before
// <windows.h> (Winsock 2 must come first).

#include <winsock2.h>

#include "platform/owner.h"

struct SocketTraits {
  using type = SOCKET;
  static type empty() noexcept { return INVALID_SOCKET; }
  static void close(type s) noexcept { closesocket(s); }
};
using SocketHandle = Owner<SocketTraits>;

// Winsock for the life of the object.
struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool started = false;
};
