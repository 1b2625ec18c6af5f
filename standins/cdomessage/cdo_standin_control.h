#pragma once
// Test control of the "CDO.Message" stand-in. The DLL exports cdoStandinControl(); a test
// reaches the instance that COM loaded (GetModuleHandleW(L"cdomessage_standin.dll") +
// GetProcAddress once a message was created).

#include <windows.h>

#include <string>

struct CdoStandinControl {
  // Property writes and method calls so far, one a line:
  //   "Message#1.From=\"a\" <b@c>", "Field#5(smtpserverport).Value=i4:25", "Fields#4.Update()",
  //   "Message#1.AddAttachment(C:\x.txt, , )", "Message#1.Send()".
  // Values as the other stand-ins write them: a string as written, "empty", "null", "<type>:<decimal>".
  virtual std::wstring journal() = 0;
  virtual void clearJournal() = 0;
  // The nth call, read or write of member from now (1 = the next) fails with hr and description.
  virtual void failInvoke(const wchar_t* member, int nth, HRESULT hr, const wchar_t* description) = 0;
  virtual void resetFaults() = 0;
  virtual long objectsAlive() = 0;  // objects of the stand-in alive now

  // Send connects to target whenever the configured port is port (target 0: no redirection).
  // Without it, the environment variable CDO_STANDIN_REDIRECT="port:target" does the same.
  virtual void redirectPort(int port, int target) = 0;
  // Bounds every wait of Send on the server (connect, each reply); 0 restores the configured
  // "smtpconnectiontimeout" (seconds, default 30).
  virtual void setTimeout(DWORD milliseconds) = 0;
};

extern "C" CdoStandinControl* cdoStandinControl();
