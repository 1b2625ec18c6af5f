#pragma once
// Runs a program through the command interpreter, optionally feeding its standard input
// and capturing its standard output and error through anonymous pipes, then waits for it
// and reads its exit code.

#include <windows.h>

#include <string>

#include "platform/owner.h"

// An anonymous pipe; both ends start as the invalid-handle value.
struct vpipe {
  FileHandle read;
  FileHandle write;
};
// Default buffer size; both ends inheritable or not, as asked.
vpipe createPipe(bool inheritable);

class vexecutil {
 public:
  struct ProcessInfo {
    KernelHandle process;
    KernelHandle thread;
    DWORD processId = 0;
    DWORD threadId = 0;
  };

  // What to run. With `command` empty, `arguments` is the whole command.
  std::wstring command;
  std::wstring arguments;
  bool verbatim = false;  // `command` goes to the interpreter as it is
  bool noWindow = false;
  bool noDesktop = false;  // off: the child starts on the interactive desktop
  void* environment = nullptr;  // a wide environment block, or null to inherit ours
  std::wstring workingDir;      // empty: our current directory
  bool feedStdin = false;
  bool captureStdout = false;
  bool captureStderr = false;

  // Our ends of the redirected streams, once started.
  FileHandle stdinWrite;
  FileHandle stdoutRead;
  FileHandle stderrRead;
  ProcessInfo process;

  void start();
  // True when the process has ended, false when `timeout` ms passed first.
  bool waitForExit(DWORD timeout);
  // STILL_ACTIVE while the process runs.
  DWORD exitCode();

  // The interpreter's command line as start() builds it.
  std::wstring commandLine() const;
  // Arguments made safe for the interpreter: its special characters keep the meaning
  // that the program's own quoting gives them (literal inside quotes, operators outside).
  static std::wstring escapeArguments(const std::wstring& arguments);
  // The value of COMSPEC, or "cmd.exe".
  static std::wstring interpreter();
};
