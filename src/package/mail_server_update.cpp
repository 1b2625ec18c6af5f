// The package operations that change the mail server: setting it up or taking it out of
// use, keeping the mail settings aside before an update, and the update itself.

#include <objbase.h>

#include "archive/mail_archive.h"
#include "archive/mail_transporter.h"
#include "automation/automation_objects.h"
#include "package/dravo_package.h"
#include "platform/exceptions.h"
#include "platform/file_name.h"
#include "platform/strings.h"
#include "platform/vexecutil.h"
#include "srvclient/vanto_srv_client.h"

namespace {

constexpr DWORD outputPollMs = 50;

// What the tool has written so far: only what already waits in the pipe is taken, so
// the read never blocks, even when a program the tool started still holds the pipe open.
void takeWaitingOutput(HANDLE pipe, std::string& text) {
  for (;;) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) {
      const DWORD error = GetLastError();
      if (error == ERROR_BROKEN_PIPE) return;
      throwOsError(L"Read output of vrok.exe", error, site("VDravoPackage::Update", 214));
    }
    if (waiting == 0) return;
    const std::size_t used = text.size();
    text.resize(used + waiting);
    DWORD read = 0;
    if (!ReadFile(pipe, text.data() + used, waiting, &read, nullptr)) {
      text.resize(used);
      throwOsError(L"Read output of vrok.exe", GetLastError(), site("VDravoPackage::Update", 214));
    }
    text.resize(used + read);
  }
}

}  // namespace

void VDravoPackage::Configure(bool enable) {
  CoInitialize(nullptr);  // the result does not matter: COM is usable either way
  if (enable)
    setupMailServer();
  else
    removeMailServer();
}

void VDravoPackage::SaveSettings() {
  const MailProviderPtr provider = host_->provider();
  MailArchive archive(true);
  MailTransporter(*provider, archive).saveMail();
}

void VDravoPackage::Update() {
  vexecutil tool;
  tool.command = VFileName::combine(panelProgramDir(), L"vrok.exe");
  tool.noWindow = true;
  tool.captureStdout = true;
  tool.start();
  // The update waits for the tool without a time limit. Meanwhile what the tool writes is
  // taken from the pipe, so that a tool writing more than the pipe holds can end; the
  // output counts only when the tool failed.
  std::string output;
  while (!tool.waitForExit(outputPollMs)) takeWaitingOutput(tool.stdoutRead.get(), output);
  if (tool.exitCode() != 0) {
    takeWaitingOutput(tool.stdoutRead.get(), output);
    throwRuntimeError(L"vrok.exe failed with message:\r\n" + toWide(output, CP_UTF8), site("VDravoPackage::Update", 229));
  }

  {
    // The tool changed the configuration behind the server's back: make it read it again.
    Dravo::ApiObject api;
    api.done();
    api.init();
  }
  const MailProviderPtr provider = host_->provider();
  // After a failed load the mail kept in the archive may be the only copy left: it stays
  // for the next update.
  MailArchive archive(false);
  try {
    MailTransporter(*provider, archive).loadMail();
  } catch (...) {
    archive.keep();
    throw;
  }
}
