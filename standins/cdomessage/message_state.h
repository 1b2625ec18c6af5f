#pragma once
// What one message object and the objects it hands out (body parts, attachments,
// configuration, data source) share.

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "mime_message.h"
#include "property_value.h"

struct MessageState {
  mime::Message message;
  PropertyMap fields;     // configuration fields as written
  PropertyMap committed;  // as of the last Update: what Send uses
};

using SharedState = std::shared_ptr<MessageState>;

// Redirection and timeout set through the test control.
struct TransportOverrides {
  std::map<int, int> redirects;
  DWORD timeoutMs = 0;
};
TransportOverrides& transportOverrides();  // callers hold serverLock()

IDispatch* newMessage();
IDispatch* newTextStream();
