#pragma once
// What the outgoing-mail tests share: a stand-in mail server (for the configured SMTP
// port), a scratch folder, a receiver the mail goes to, the "CDO.Message" stand-in's journal without object numbers,
// and the panel service answering "PRODUCT_ROOT_D".

#include <windows.h>

#include <regex>
#include <sstream>
#include <stdexcept>

#include "automation/automation_objects.h"
#include "mime_message.h"
#include "platform/com_error.h"
#include "platform/scratch_dir.h"
#include "platform/strings.h"
#include "interfaces/mail_objects.h"
#include "support/cdo_standin.h"
#include "support/smtp_receiver.h"
#include "support/standin_server.h"

class OutgoingMailTest : public StandinTest {
 protected:
  void SetUp() override { cdoStandin().redirectPort(25, receiver.port()); }
  mime::Message received(size_t index) const { return mime::read(receiver.messages().at(index)); }
  ScratchDir scratch;
  SmtpReceiver receiver;  // port 25 leads to it
};

// The journal as "Message.From=...", "Field(sendusing).Value=i4:2": one entry per call, a
// value's own line breaks kept. An entry starts at "<Kind>#<n>" at the start of a line.
inline std::vector<std::wstring> cdoCalls() {
  static const std::wregex start(L"(^|\n)([A-Za-z]+)#[0-9]+");
  std::wstringstream marked(std::regex_replace(cdoStandin().journal(), start, L"\x01$2"));
  std::vector<std::wstring> calls;
  for (std::wstring entry; std::getline(marked, entry, L'\x01');) {
    if (!entry.empty()) calls.push_back(entry.back() == L'\n' ? entry.substr(0, entry.size() - 1) : entry);
  }
  return calls;
}

// The mail server's own SMTP port, which a send tries after port 25.
inline void configureSmtpPort(int port) {
  Dravo::ApiObject api;
  api.setProperty(L"C_Config_Ports_SMTP", Variant::ofI4(port));
  api.save();
}

// The COM error that send() ended with, S_OK when it succeeded.
inline HRESULT sendFailure(MailInfo* mail) {
  try {
    mail->send();
    return S_OK;
  } catch (const ComError& error) {
    return error.error();
  }
}

// The panel's local service under the pipe name the module asks, with "PRODUCT_ROOT_D" =
// root, as a child process: the module's shared client stays connected to it until the
// test process ends, so the service is ended from outside.
class PanelService {
 public:
  PanelService(const ScratchDir& scratch, const std::wstring& root) {
    const std::wstring settings = scratch.file(L"panel-settings.txt", "PRODUCT_ROOT_D=" + toNarrow(root, CP_UTF8) + "\r\n");
    const std::wstring ready = scratch / L"panel.ready";
    wchar_t self[MAX_PATH];
    const std::wstring program(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    std::wstring command = L"\"" + program.substr(0, program.find_last_of(L'\\') + 1) + L"panel_service_standin.exe\" \"" +
                           settings + L"\" --ready \"" + ready + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
      throw std::runtime_error("cannot start panel_service_standin.exe");
    }
    process_.reset(started.hProcess);
    const KernelHandle thread(started.hThread);
    // Ready once the pipe exists; a service that ended gives up the wait.
    while (!ScratchDir::exists(ready)) {
      if (WaitForSingleObject(process_.get(), 10) == WAIT_OBJECT_0) throw std::runtime_error("the panel service ended");
    }
  }
  ~PanelService() { TerminateProcess(process_.get(), 0), WaitForSingleObject(process_.get(), INFINITE); }

 private:
  KernelHandle process_;
};
