#include "srvclient/pipe_client.h"

#include "platform/exceptions.h"

namespace vpipechannel {

namespace {

class LockGuard {
 public:
  explicit LockGuard(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
  ~LockGuard() { LeaveCriticalSection(&lock_); }
  LockGuard(const LockGuard&) = delete;
  LockGuard& operator=(const LockGuard&) = delete;

 private:
  CRITICAL_SECTION& lock_;
};

constexpr DWORD pipeAccess = 0xC0000003;  // GENERIC_READ | GENERIC_WRITE | FILE_READ_DATA | FILE_WRITE_DATA
constexpr DWORD busyWaitMs = 2000;

void writeAll(HANDLE pipe, const void* bytes, DWORD length) {
  DWORD written = 0;
  if (!WriteFile(pipe, bytes, length, &written, nullptr))
    throwOsError(L"Write query to pipe", GetLastError(), site("vpipechannel::client::query", 214));
  if (written != length) throwRuntimeError(L"Can't write query to pipe", site("vpipechannel::client::query", 216));
}

}  // namespace

client::client(std::wstring pipeName, bool connectNow) : pipeName_(std::move(pipeName)) {
  InitializeCriticalSection(&lock_);
  if (!connectNow) return;
  try {
    connect();
  } catch (...) {
    DeleteCriticalSection(&lock_);
    throw;
  }
}

client::~client() { DeleteCriticalSection(&lock_); }

void client::connect() {
  for (;;) {
    const HANDLE pipe = CreateFileW(pipeName_.c_str(), pipeAccess, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const DWORD error = GetLastError();
    handle_.reset(pipe);
    if (handle_) break;
    if (error != ERROR_PIPE_BUSY) throwOsError(L"Connect to pipe", error, site("vpipechannel::client::connect", 174));
    if (!WaitNamedPipeW(pipeName_.c_str(), busyWaitMs))
      throwRuntimeError(L"Connect to pipe failed", site("vpipechannel::client::connect", 178));
  }
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (!SetNamedPipeHandleState(handle_.get(), &mode, nullptr, nullptr))
    throwOsError(L"SetNamedPipeHandleState of pipe", GetLastError(), site("vpipechannel::client::connect", 185));
}

void client::reconnect() {
  handle_.reset();
  connect();
}

std::unique_ptr<vserializer::buffer> client::query(const GUID& request, const vserializer::buffer& arguments) {
  LockGuard guard(lock_);
  try {
    return attempt(request, arguments);
  } catch (...) {
    // The service may have dropped a connection that sat idle: one fresh try.
  }
  reconnect();
  return attempt(request, arguments);
}

std::unique_ptr<vserializer::buffer> client::attempt(const GUID& request, const vserializer::buffer& arguments) {
  vserializer::buffer body;
  body.append(sizeof request, &request, false);  // GUID in memory is the wire layout
  body.append(arguments.size(), arguments.data(), true);

  const std::uint32_t bodyLength = body.size();
  writeAll(handle_.get(), &bodyLength, sizeof bodyLength);
  writeAll(handle_.get(), body.data(), bodyLength);

  std::uint32_t length = 0;
  DWORD got = 0;
  if (!ReadFile(handle_.get(), &length, sizeof length, &got, nullptr))
    throwOsError(L"Read response len from pipe", GetLastError(), site("vpipechannel::client::query", 227));
  if (got != sizeof length)
    throwRuntimeError(L"Response from pipe have invalid format", site("vpipechannel::client::query", 229));

  vserializer::Block payload;
  if (length) {
    payload.reset(static_cast<unsigned char*>(std::malloc(length)));
    if (!payload) throwOutOfMemory();
    if (!ReadFile(handle_.get(), payload.get(), length, &got, nullptr))
      throwOsError(L"Read response from pipe", GetLastError(), site("vpipechannel::client::query", 236));
    if (got != length) throwRuntimeError(L"Can't read response from pipe", site("vpipechannel::client::query", 238));
  }
  return std::make_unique<vserializer::buffer>(std::move(payload), length);
}

}  // namespace vpipechannel
