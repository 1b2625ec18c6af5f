#pragma once
// Test control of the stand-in mail server's automation server. The stand-in DLL exports
// dravoStandinControl(); a test reaches the same instance that COM loaded into the process
// (GetModuleHandleW(L"dravocom_standin.dll") + GetProcAddress, or LoadLibrary of that DLL).

#include <windows.h>

#include <string>

struct DravoStandinControl {
  virtual void setRoot(const wchar_t* root) = 0;  // server root for this process from now on (creates config/mail/log dirs)
  virtual std::wstring journal() = 0;              // every call so far, one line each (format below)
  virtual void clearJournal() = 0;
  // The nth call of member from now (1 = the next one) sets LastErr to value (negative) and changes nothing.
  virtual void failLastErr(const wchar_t* member, int nth, long value) = 0;
  // The nth call of member from now fails Invoke: EXCEPINFO filled (scode = hr, bstrDescription = description,
  // may be empty), DISP_E_EXCEPTION returned; also SetErrorInfo with the description.
  // (A success code as hr instead answers refused (false, empty, no object), changes nothing, sets
  // LastErr 0 and returns hr: a call whose result says failure while LastErr says success.)
  virtual void failInvoke(const wchar_t* member, int nth, HRESULT hr, const wchar_t* description) = 0;
  virtual void refuseCreation(HRESULT hr) = 0;     // class factory CreateInstance fails with hr; S_OK accepts again
  virtual void resetFaults() = 0;

  // Automation objects created in this process so far (the number of the latest one).
  virtual long objectsCreated() = 0;
  // Automation objects alive now: what is left when every reference was released is a leak.
  virtual long objectsAlive() = 0;

  // Bulk filling for benchmarks: while on, the domains' account files are not written at each
  // change but once, all of them, when it is turned off again.
  virtual void deferAccountWrites(bool on) = 0;
};

// Journal lines: "<Kind>#<objectNumber>.<Member>(<arg>, <arg>)" with Kind API, Domain or Account,
// arguments in written order; a string as written, "empty", "null", otherwise "<type>:<decimal>"
// with type one of i1 i2 i4 int ui1 ui2 ui4 uint bool (a VARIANT_BOOL true is "bool:-1").
// Name look-ups appear as "<Kind>#<n>.GetIDsOfNames(<name as asked>)", one line per name.

extern "C" DravoStandinControl* dravoStandinControl();
