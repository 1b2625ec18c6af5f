#include "socket_owner.h"

#include "support/smtp_receiver.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

SmtpReceiver::SmtpReceiver(const std::vector<std::wstring>& faults) {
  wchar_t self[MAX_PATH];
  const std::wstring program(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  std::wstring command = L"\"" + program.substr(0, program.find_last_of(L'\\') + 1) + L"smtp_receiver.exe\" --port 0 --maildir \"" +
                         mailDirectory() + L"\" --logdir \"" + scratch_.path() + L"\"";
  for (const std::wstring& fault : faults) command += L" --fault " + fault;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  KernelHandle reader, writer;
  if (!CreatePipe(reader.put(), writer.put(), &inherit, 0)) throw std::runtime_error("no pipe for the receiver");
  SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writer.get();
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
    throw std::runtime_error("cannot start smtp_receiver.exe");
  process_.reset(started.hProcess);
  CloseHandle(started.hThread);
  writer.reset();
  // The first line says where it listens; the read ends early only when the program exits.
  std::string line;
  char c;
  DWORD read = 0;
  while (ReadFile(reader.get(), &c, 1, &read, nullptr) && read == 1 && c != '\n') line += c;
  if (line.rfind("listening on port ", 0) != 0) throw std::runtime_error("the receiver did not start: " + line);
  port_ = std::atoi(line.substr(18).c_str());
}

SmtpReceiver::~SmtpReceiver() {
  TerminateProcess(process_.get(), 0);
  WaitForSingleObject(process_.get(), INFINITE);
}

std::vector<std::string> SmtpReceiver::messages() const {
  std::vector<std::filesystem::path> paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(mailDirectory(), error))
    if (entry.is_regular_file() && entry.path().extension() == L".eml") paths.push_back(entry.path());
  std::sort(paths.begin(), paths.end(), [](const auto& a, const auto& b) { return a.filename() < b.filename(); });
  std::vector<std::string> out;
  for (const auto& path : paths) out.push_back(fileBytes(path.wstring()));
  return out;
}

int closedPort() {
  const WinsockSession winsock;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  {
    // Bound and let go without listening: connections to the port are refused.
    const SocketHandle s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    bind(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s.get(), reinterpret_cast<sockaddr*>(&address), &length);
  }
  return ntohs(address.sin_port);
}

std::string fileBytes(const std::wstring& path) {
  const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string out;
  char buffer[65536];
  DWORD read = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) out.append(buffer, read);
  return out;
}
