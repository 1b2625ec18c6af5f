#pragma once
// The stand-in's SMTP client: one connection, one message, over Winsock. Every wait on the
// server is bounded by the timeout, so a server that hangs ends in a failure.

#include <windows.h>

#include <string>
#include <vector>

struct SmtpFailure {
  HRESULT code;
  std::wstring description;
};

struct SmtpJob {
  std::string server;  // host name or address
  int port = 25;
  DWORD timeoutMs = 30000;
  std::string sender;                   // envelope addresses
  std::vector<std::string> recipients;
  std::string data;                     // the message, lines ending in CR LF
};

// Sends the message; throws SmtpFailure: transportFailedToConnect when no connection can
// be made, smtpSendFailed when the server refuses, stops answering or closes early.
void sendMail(const SmtpJob& job);

// Envelope address of a header value: the text between "<" and ">", else the value trimmed.
std::string envelopeAddress(const std::wstring& headerValue);
// The addresses of an address list (items separated by "," or ";" outside quotes).
std::vector<std::string> envelopeAddresses(const std::wstring& headerValue);
