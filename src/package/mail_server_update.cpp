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
#include "provider/dravo_provider.h"
#include "srvclient/vanto_srv_client.h"

namespace {

// Everything the child wrote until it closed its end, read in blocks of 1024 bytes.
std::string readToEnd(HANDLE pipe) {
  std::string text;
  char block[1024];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(pipe, block, sizeof block, &read, nullptr)) {
      const DWORD error = GetLastError();
      if (error == ERROR_BROKEN_PIPE) break;
      throwOsError(L"Read output of vrok.exe", error, site("VDravoPackage::Update", 214));
    }
    if (read == 0) break;
    text.append(block, read);
  }
  return text;
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
  Dravo::DravoProvider provider;
  MailArchive archive(true);
  MailTransporter(provider, archive).saveMail();
}

void VDravoPackage::Update() {
  vexecutil tool;
  tool.command = VFileName::combine(panelProgramDir(), L"vrok.exe");
  tool.noWindow = true;
  tool.captureStdout = true;
  tool.start();
  // The output is read only after the tool has ended, and only when it failed. A tool that
  // writes more than the pipe holds before it ends would wait here for ever.
  tool.waitForExit(INFINITE);
  if (tool.exitCode() != 0)
    throwRuntimeError(L"vrok.exe failed with message:\r\n" + toWide(readToEnd(tool.stdoutRead.get()), CP_UTF8),
                      site("VDravoPackage::Update", 229));

  {
    // The tool changed the configuration behind the server's back: make it read it again.
    Dravo::ApiObject api;
    api.done();
    api.init();
  }
  Dravo::DravoProvider provider;
  MailArchive archive(false);
  MailTransporter(provider, archive).loadMail();
}
