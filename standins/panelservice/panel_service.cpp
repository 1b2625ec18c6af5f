#include "panel_service.h"

#include <cstring>
#include <memory>
#include <optional>
#include <thread>

#include "platform/owner.h"
#include "wire.h"

namespace panelservice {

namespace {

// {AD3EBC3C-E6B9-4FCF-ABB9-ED1B3D524F22}
constexpr GUID getStringRequest = {0xAD3EBC3C, 0xE6B9, 0x4FCF, {0xAB, 0xB9, 0xED, 0x1B, 0x3D, 0x52, 0x4F, 0x22}};
// {943B58AA-49DE-47A5-AA59-0E010A48C341}
constexpr GUID componentInfoRequest = {0x943B58AA, 0x49DE, 0x47A5, {0xAA, 0x59, 0x0E, 0x01, 0x0A, 0x48, 0xC3, 0x41}};

constexpr DWORD bufferSize = 64 * 1024;

bool writeMessage(HANDLE pipe, const void* bytes, DWORD length) {
  DWORD written = 0;
  return WriteFile(pipe, bytes, length, &written, nullptr) && written == length;
}

// The answer to one request body: a string, or an error reply.
Bytes answer(const Settings& settings, const Bytes& body) {
  Bytes out;
  RequestReader reader(body);
  const auto id = reader.blob();
  if (!id || id->size() != sizeof(GUID)) {
    putErrorReply(out, L"Malformed request");
    return out;
  }
  GUID request;
  std::memcpy(&request, id->data(), sizeof request);
  if (IsEqualGUID(request, getStringRequest)) {
    const auto name = reader.string();
    const auto found = name ? settings.values.find(*name) : settings.values.end();
    if (found == settings.values.end())
      putErrorReply(out, L"Unknown setting " + name.value_or(L""));
    else
      putString(out, found->second);
  } else if (IsEqualGUID(request, componentInfoRequest)) {
    const auto package = reader.string();
    const auto kind = reader.uint32Blob();
    if (!package || !kind) {
      putErrorReply(out, L"Malformed request");
      return out;
    }
    const auto found = settings.components.find(*package);
    std::wstring info;  // empty: the panel does not know the component
    if (found != settings.components.end())
      info = *kind == 0 ? found->second.displayName : *kind == 1 ? found->second.version : L"";
    putString(out, info);
  } else {
    putErrorReply(out, L"Unknown request");
  }
  return out;
}

}  // namespace

Service::Service(Settings settings, Options options) : state_(std::make_shared<State>()) {
  state_->settings = std::move(settings);
  state_->options = std::move(options);
}

bool Service::State::faultHits(std::uint32_t request) const {
  if (options.fault == Fault::none || request < options.faultFrom) return false;
  return options.faultCount == 0 || request < options.faultFrom + options.faultCount;
}

void Service::State::writeCounts() {
  if (options.countsFile.empty()) return;
  const std::lock_guard guard(countsLock);
  const std::string text = std::to_string(connections) + " " + std::to_string(requests);
  const FileHandle file(CreateFileW(options.countsFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  if (file) WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void Service::run() {
  const Options& options = state_->options;
  // Like the panel's own service, every client gets an instance of the pipe and a thread
  // of its own, so that one process may hold several connections. The busy fault models a
  // single instance: while it serves a client or lies disconnected, further clients find
  // the pipe busy rather than missing.
  const bool oneInstance = options.fault == Fault::busy;
  const DWORD instances = oneInstance ? 1 : PIPE_UNLIMITED_INSTANCES;
  auto createInstance = [&] {
    return FileHandle(CreateNamedPipeW(options.pipeName.c_str(), PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, instances, bufferSize,
                                       bufferSize, 0, nullptr));
  };
  FileHandle pipe = createInstance();
  if (!pipe) return;
  if (!options.readyFile.empty()) {
    const FileHandle ready(CreateFileW(options.readyFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  }
  while (!state_->stopping) {
    if (!ConnectNamedPipe(pipe.get(), nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) break;
    if (state_->stopping) break;
    if (oneInstance) {
      serveClient(*state_, pipe.get());
      DisconnectNamedPipe(pipe.get());
      if (!state_->stopping) Sleep(options.busyMs);
      continue;
    }
    FileHandle next = createInstance();
    // The thread shares the state, not the service: a client that stays connected past
    // stop() is served by a thread that outlives this object harmlessly.
    std::thread([state = state_, client = std::move(pipe)] {
      // Hanging up is closing the instance.
      serveClient(*state, client.get());
    }).detach();
    if (!next) break;
    pipe = std::move(next);
  }
}

// Returns with no answer outstanding, so that hanging up never needs to wait for the
// client to read (a flush would block while the client waits in a read of its own).
void Service::serveClient(State& state, HANDLE pipe) {
  ++state.connections;
  state.writeCounts();
  for (bool closed = false;;) {
    std::uint32_t length = 0;
    DWORD got = 0;
    if (!ReadFile(pipe, &length, sizeof length, &got, nullptr) || got != sizeof length) return;
    Bytes body(length);
    if (length && (!ReadFile(pipe, body.data(), length, &got, nullptr) || got != length)) return;
    if (state.stopping || closed) return;
    const std::uint32_t request = ++state.requests;
    state.writeCounts();
    Bytes payload = answer(state.settings, body);
    const Fault fault = state.faultHits(request) ? state.options.fault : Fault::none;
    std::uint32_t announced = static_cast<std::uint32_t>(payload.size());
    switch (fault) {
      case Fault::hangUp:
        return;
      case Fault::errorReply:
        payload.clear();
        putErrorReply(payload, state.options.errorText);
        announced = static_cast<std::uint32_t>(payload.size());
        break;
      case Fault::truncated:
        announced += 10;
        break;
      case Fault::oversized:
        announced = 0xFFFFFFFFu;
        payload.clear();
        break;
      default:
        break;
    }
    // The length and the payload travel as two messages, as the client reads them.
    if (!writeMessage(pipe, &announced, sizeof announced)) return;
    if (!payload.empty() && !writeMessage(pipe, payload.data(), static_cast<DWORD>(payload.size()))) return;
    closed = fault == Fault::drop;
  }
}

void Service::stop() {
  state_->stopping = true;
  // Wake a ConnectNamedPipe that waits for a client.
  for (int tries = 0; tries < 20; ++tries) {
    const FileHandle wake(CreateFileW(state_->options.pipeName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    if (wake) return;
    if (GetLastError() != ERROR_PIPE_BUSY) return;
    WaitNamedPipeW(state_->options.pipeName.c_str(), 500);
  }
}

}  // namespace panelservice
