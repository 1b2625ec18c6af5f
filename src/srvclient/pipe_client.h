#pragma once
// The client end of a message-mode named pipe to the control panel's service: one request
// out, one answer back, with one reconnect when the first attempt fails.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/owner.h"
#include "srvclient/serializer.h"

namespace vpipechannel {

class client {
 public:
  client(std::wstring pipeName, bool connectNow);
  client(const client&) = delete;
  client& operator=(const client&) = delete;
  virtual ~client();

  void connect();
  void reconnect();
  // Sends the 16-byte request identifier and the arguments; returns the answer for reading.
  std::unique_ptr<vserializer::buffer> query(const GUID& request, const vserializer::buffer& arguments);

  const std::wstring& pipeName() const { return pipeName_; }

 private:
  std::unique_ptr<vserializer::buffer> attempt(const GUID& request, const vserializer::buffer& arguments);

  FileHandle handle_;
  std::wstring pipeName_;
  CRITICAL_SECTION lock_;
};

}  // namespace vpipechannel
