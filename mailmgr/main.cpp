// mailmgr: the command-line mail manager that hosts the mail-provider module.

#include <string>
#include <vector>

#include "commands/command_table.h"
#include "framework/console.h"
#include "framework/runner.h"

int wmain(int argc, wchar_t* argv[]) {
  try {
    mailmgr::Utf8Console console;
    const std::vector<std::wstring> words(argv + 1, argv + argc);
    return mailmgr::run(words, mailmgr::commandTable());
  } catch (...) {
    // Only memory for the tool's own bookkeeping can run out this far out.
    mailmgr::standardError().line(L"mailmgr: out of memory");
    return mailmgr::exitFailure;
  }
}
