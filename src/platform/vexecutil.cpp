#include "platform/vexecutil.h"

#include <cwchar>
#include <vector>

#include "platform/exceptions.h"
#include "platform/format.h"
#include "platform/system_paths.h"

namespace {

// The interpreter's own special characters.
bool isSpecial(wchar_t c) { return c != L'\0' && std::wcschr(L"&<>^|()", c) != nullptr; }

// A non-inheritable pipe whose child end is duplicated as an inheritable handle; our end
// goes to `ours`, the duplicate is returned for the child's start information.
FileHandle redirect(FileHandle& ours, bool childWrites, std::uint32_t line) {
  vpipe pipe = createPipe(false);
  FileHandle& childEnd = childWrites ? pipe.write : pipe.read;
  HANDLE duplicate = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), childEnd.get(), GetCurrentProcess(), &duplicate, 0, TRUE,
                       DUPLICATE_SAME_ACCESS)) {
    throwOsError(L"DuplicateHandle", GetLastError(), site("vexecutil::start", line));
  }
  childEnd.reset();
  ours = std::move(childWrites ? pipe.read : pipe.write);
  return FileHandle(duplicate);
}

// Makes `dir` current for its lifetime when it is not empty; the previous directory comes
// back also when the creation fails.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::wstring& dir) {
    if (dir.empty()) return;
    previous_ = VDirectory::current();
    if (!SetCurrentDirectoryW(dir.c_str()))
      throwOsError(L"set current directory '" + dir + L"'", GetLastError(), site("vexecutil::start", 121));
    changed_ = true;
  }
  ~CurrentDirectory() {
    if (changed_) SetCurrentDirectoryW(previous_.c_str());
  }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;

 private:
  std::wstring previous_;
  bool changed_ = false;
};

}  // namespace

vpipe createPipe(bool inheritable) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, inheritable ? TRUE : FALSE};
  HANDLE read = INVALID_HANDLE_VALUE, write = INVALID_HANDLE_VALUE;
  if (!CreatePipe(&read, &write, &attributes, 0))
    throwOsError(L"Create unNamed pipe", GetLastError(), site("vpipe", 621));
  vpipe pipe;
  pipe.read.reset(read);
  pipe.write.reset(write);
  return pipe;
}

std::wstring vexecutil::escapeArguments(const std::wstring& arguments) {
  enum class State { outside, inside, afterBackslash };
  State state = State::outside;
  unsigned quotes = 0;
  std::wstring escaped;
  escaped.reserve(arguments.size() * 2);
  for (const wchar_t c : arguments) {
    if (c == L'"') ++quotes;
    const bool evenQuotes = quotes % 2 == 0;
    switch (state) {
      case State::outside:
        if (c == L'"') {
          state = State::inside;
        } else if (isSpecial(c) && !evenQuotes) {
          escaped += L'"';
        }
        break;
      case State::inside:
        if (isSpecial(c) && evenQuotes) escaped += L'^';
        if (c == L'\\') state = State::afterBackslash;
        if (c == L'"') state = State::outside;
        break;
      case State::afterBackslash:
        state = State::inside;
        break;
    }
    escaped += c;
  }
  return escaped;
}

std::wstring vexecutil::interpreter() {
  const DWORD size = GetEnvironmentVariableW(L"COMSPEC", nullptr, 0);
  if (size == 0) return L"cmd.exe";
  std::vector<wchar_t> value(size);
  const DWORD length = GetEnvironmentVariableW(L"COMSPEC", value.data(), size);
  if (length == 0 || length >= size) return L"cmd.exe";
  return std::wstring(value.data(), length);
}

std::wstring vexecutil::commandLine() const {
  if (verbatim) return format(L"/c %s", command.c_str());
  const std::wstring escaped = escapeArguments(arguments);
  if (command.empty()) return format(L"/c \"%s\"", escaped.c_str());
  return format(L"/c \"\"%s\" %s\"", command.c_str(), escaped.c_str());
}

void vexecutil::start() {
  // The child's inheritable ends: ours to close once the child has its copies, whatever happens.
  FileHandle childOut, childIn, childErr;
  if (captureStdout) childOut = redirect(stdoutRead, true, 51);
  if (feedStdin) childIn = redirect(stdinWrite, false, 73);
  if (captureStderr) childErr = redirect(stderrRead, true, 95);

  const std::wstring program = interpreter();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = feedStdin ? childIn.get() : GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = captureStdout ? childOut.get() : GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = captureStderr ? childErr.get() : GetStdHandle(STD_ERROR_HANDLE);
  wchar_t desktop[] = L"winsta0\\default";
  if (!noDesktop) startup.lpDesktop = desktop;

  std::wstring line = commandLine();
  DWORD flags = GetPriorityClass(GetCurrentProcess());
  if (noWindow) flags |= CREATE_NO_WINDOW;
  if (environment) flags |= CREATE_UNICODE_ENVIRONMENT;

  PROCESS_INFORMATION created = {};
  BOOL started = FALSE;
  DWORD error = 0;
  {
    CurrentDirectory directory(workingDir);
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    started = CreateProcessW(program.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, flags, environment,
                             nullptr, &startup, &created);
    error = started ? 0 : GetLastError();
  }
  if (!started) throwOsError(L"CreateProcess '" + program + L" " + line + L"'", error, site("vexecutil::start", 150));
  process.process.reset(created.hProcess);
  process.thread.reset(created.hThread);
  process.processId = created.dwProcessId;
  process.threadId = created.dwThreadId;
}

bool vexecutil::waitForExit(DWORD timeout) {
  switch (WaitForSingleObject(process.process.get(), timeout)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
      return true;
    case WAIT_TIMEOUT:
      return false;
    default:
      throwOsError(L"Lock object", GetLastError(), site("vexecutil::waitForExit", 186));
  }
}

DWORD vexecutil::exitCode() {
  DWORD code = 0;
  if (!GetExitCodeProcess(process.process.get(), &code))
    throwOsError(L"GetExitCodeProcess", GetLastError(), site("vexecutil::exitCode", 194));
  return code;
}
