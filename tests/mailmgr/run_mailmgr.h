#pragma once
// Runs mailmgr.exe (beside the test program) with its standard streams redirected, as a
// shell or a script would, and checks runs from a table.

#include <string>
#include <vector>

struct MailmgrRun {
  unsigned long exitCode = 0;
  std::string out, err;  // raw bytes of standard output and standard error
};

// input is written to the child's standard input, which is then closed.
MailmgrRun runMailmgr(const std::vector<std::wstring>& arguments, const std::string& input = {});
std::wstring besideTestProgram(const std::wstring& file);
std::string utf8(const std::wstring& text);

// A run must exit with code. Exit 0: standard output contains out. Otherwise standard output
// is empty and standard error contains out.
struct Expected {
  std::vector<std::wstring> words;
  std::string out;
  unsigned long code = 0;
};
void expectRuns(const std::vector<Expected>& table, const std::vector<std::wstring>& prefix = {});
