#pragma once
// Runs mailmgr.exe (beside the test program) as a child process with its standard streams
// redirected, as a person's shell or a script would.

#include <string>
#include <vector>

struct MailmgrRun {
  unsigned long exitCode = 0;
  std::string out;  // raw bytes of standard output
  std::string err;  // raw bytes of standard error
};

// input is written to the child's standard input, which is then closed.
MailmgrRun runMailmgr(const std::vector<std::wstring>& arguments, const std::string& input = {});

// The path of a file beside the test program.
std::wstring besideTestProgram(const std::wstring& file);

// UTF-8 of a wide literal, for comparing with the child's output.
std::string utf8(const std::wstring& text);
