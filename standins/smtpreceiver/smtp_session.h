#pragma once
// One SMTP session of the stand-in receiver: the conversation, delivery of the message into
// the mail directory, the SMTP log, and the faults the tests ask for.

#include "socket_owner.h"

#include <cstdint>
#include <map>
#include <string>

enum class Stage { greeting, ehlo, mail, rcpt, data, body };
enum class FaultAction { error, hang, close };

struct ReceiverOptions {
  std::wstring mailDirectory;
  std::wstring logDirectory;  // empty: no log
  std::map<Stage, FaultAction> faults;
};

// Serves one connection to its end. sessionId numbers the session in the log.
void serveSession(SOCKET client, const std::string& peer, std::uint32_t sessionId, const ReceiverOptions& options);

bool parseStage(const std::wstring& text, Stage& stage);
bool parseAction(const std::wstring& text, FaultAction& action);
