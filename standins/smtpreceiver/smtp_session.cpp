#include "smtp_session.h"

#include <windows.h>

#include <cctype>
#include <vector>

#include "maillog/mail_log_writer.h"

namespace {

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string narrow(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// A path component from an address part: characters a directory name cannot hold become "_".
std::wstring component(const std::string& text) {
  std::wstring out;
  for (char c : text) out += std::string("\\/:*?\"<>|").find(c) == std::string::npos && c >= 32 ? static_cast<wchar_t>(c) : L'_';
  return out.empty() || out == L"." || out == L".." ? L"_" : out;
}

std::string addressOf(const std::string& parameter) {
  const size_t open = parameter.find('<'), close = parameter.find('>');
  if (open != std::string::npos && close != std::string::npos && open < close) return parameter.substr(open + 1, close - open - 1);
  return parameter;
}

class Session {
 public:
  Session(SOCKET s, std::string peer, std::uint32_t id, const ReceiverOptions& options)
      : s_(s), peer_(std::move(peer)), id_(id), options_(options) {}

  void run() {
    converse();
    log("Disconnected");
  }

 private:
  void converse() {
    if (!reply(Stage::greeting, "220 localhost SMTP stand-in ready")) return;
    std::string line;
    while (readLine(line)) {
      log("<<< " + line);
      const std::string verb = upper(line.substr(0, line.find(' ')));
      if (verb == "EHLO" || verb == "HELO") {
        if (!reply(Stage::ehlo, verb == "EHLO" ? "250-localhost\r\n250 8BITMIME" : "250 localhost")) return;
      } else if (upper(line).rfind("MAIL FROM:", 0) == 0) {
        sender_ = addressOf(line.substr(10));
        recipients_.clear();
        if (!reply(Stage::mail, "250 OK")) return;
      } else if (upper(line).rfind("RCPT TO:", 0) == 0) {
        recipients_.push_back(addressOf(line.substr(8)));
        if (!reply(Stage::rcpt, "250 OK")) return;
      } else if (verb == "DATA") {
        if (recipients_.empty()) {
          send("503 No recipients");
          continue;
        }
        if (!reply(Stage::data, "354 End data with <CR><LF>.<CR><LF>")) return;
        if (!receiveData()) return;
      } else if (verb == "QUIT") {
        send("221 Bye");
        return;
      } else if (verb == "RSET" || verb == "NOOP") {
        send("250 OK");
      } else {
        send("500 Command not recognised");
      }
    }
  }

  // Answers the step, or carries out the fault set for it; false ends the session.
  bool reply(Stage stage, const std::string& text) {
    const auto fault = options_.faults.find(stage);
    if (fault == options_.faults.end()) return send(text);
    switch (fault->second) {
      case FaultAction::error:
        send(stage == Stage::greeting ? "554 Service refused by test control" : "554 5.0.0 Refused by test control");
        return stage != Stage::greeting;
      case FaultAction::hang: drain(); return false;
      case FaultAction::close: return false;
    }
    return false;
  }

  bool receiveData() {
    std::string data;
    const auto fault = options_.faults.find(Stage::body);
    bool first = true;
    std::string line;
    while (readLine(line)) {
      if (first && fault != options_.faults.end() && fault->second == FaultAction::close) return false;  // cut off mid-transfer
      first = false;
      if (line == ".") {
        if (fault != options_.faults.end()) return reply(Stage::body, "");
        deliver(data);
        log("*** message accepted size " + std::to_string(data.size()));
        return send("250 OK message accepted");
      }
      data += (line.rfind("..", 0) == 0 ? line.substr(1) : line) + "\r\n";
    }
    return false;
  }

  void deliver(const std::string& data) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    static unsigned sequence = 0;
    wchar_t name[80];
    swprintf(name, 80, L"%04u%02u%02u%02u%02u%02u-%lu-%u.eml", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
             now.wSecond, GetCurrentProcessId(), ++sequence);
    for (const std::string& recipient : recipients_) {
      const size_t at = recipient.rfind('@');
      std::wstring directory = options_.mailDirectory;
      for (const std::wstring& part : {component(at == std::string::npos ? "localhost" : recipient.substr(at + 1)),
                                       component(recipient.substr(0, at))}) {
        directory += L"\\" + part;
        CreateDirectoryW(directory.c_str(), nullptr);
      }
      // Written under a temporary name first: a reader never sees half a message.
      const std::wstring path = directory + L"\\" + name, partial = path + L".part";
      HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (file == INVALID_HANDLE_VALUE) continue;
      DWORD written = 0;
      WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
      CloseHandle(file);
      MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
  }

  bool send(const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
      const size_t end = text.find("\r\n", start);
      log(">>> " + text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
    const std::string line = text + "\r\n";
    return ::send(s_, line.data(), static_cast<int>(line.size()), 0) == static_cast<int>(line.size());
  }

  bool readLine(std::string& line) {
    for (;;) {
      const size_t end = buffer_.find("\r\n");
      if (end != std::string::npos) {
        line = buffer_.substr(0, end);
        buffer_.erase(0, end + 2);
        return true;
      }
      char chunk[4096];
      const int n = recv(s_, chunk, sizeof chunk, 0);
      if (n <= 0) return false;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  // Stops answering: reads and drops everything until the client gives up.
  void drain() {
    char chunk[4096];
    while (recv(s_, chunk, sizeof chunk, 0) > 0) {
    }
  }

  void log(const std::string& message) {
    if (options_.logDirectory.empty()) return;
    SYSTEMTIME now;
    GetSystemTime(&now);
    const maillog::LogStamp stamp{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    try {
      maillog::LogFileWriter writer(narrow(options_.logDirectory) + "\\" + maillog::logFileName(maillog::Service::smtp, stamp),
                                    true);
      writer.write(maillog::Service::smtp, peer_, id_, stamp, message);
    } catch (const std::exception&) {
      // A log that cannot be written does not stop the mail.
    }
  }

  SOCKET s_;
  std::string peer_;
  std::uint32_t id_;
  const ReceiverOptions& options_;
  std::string buffer_, sender_;
  std::vector<std::string> recipients_;
};

}  // namespace

void serveSession(SOCKET client, const std::string& peer, std::uint32_t sessionId, const ReceiverOptions& options) {
  Session(client, peer, sessionId, options).run();
}

bool parseStage(const std::wstring& text, Stage& stage) {
  static const std::map<std::wstring, Stage> names = {{L"greeting", Stage::greeting}, {L"ehlo", Stage::ehlo},
                                                      {L"mail", Stage::mail},         {L"rcpt", Stage::rcpt},
                                                      {L"data", Stage::data},         {L"body", Stage::body}};
  const auto found = names.find(text);
  if (found == names.end()) return false;
  stage = found->second;
  return true;
}

bool parseAction(const std::wstring& text, FaultAction& action) {
  static const std::map<std::wstring, FaultAction> names = {
      {L"error", FaultAction::error}, {L"hang", FaultAction::hang}, {L"close", FaultAction::close}};
  const auto found = names.find(text);
  if (found == names.end()) return false;
  action = found->second;
  return true;
}
