#include "host/provider_host.h"

#include <vector>

#include "framework/usage_error.h"
#include "host/failure_text.h"
#include "platform/exceptions.h"

namespace mailmgr {
namespace {

constexpr char entryPoint[] = "getVexilorProviderInstance";
using GetProvider = MailProvider* (*)();

}  // namespace

ProviderHost::ProviderHost(const std::wstring& path) : path_(absolutePath(path)) {
  // A command-line tool reports a module that cannot be loaded; no system dialog box.
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  library_.reset(LoadLibraryW(path_.c_str()));
  const DWORD error = GetLastError();
  SetThreadErrorMode(previousMode, nullptr);
  if (!library_) {
    throw Failure{L"cannot load the module " + path_ + L": " + osErrorText(error, nullptr)};
  }
  const auto getProvider =
      reinterpret_cast<GetProvider>(reinterpret_cast<void*>(GetProcAddress(library_.get(), entryPoint)));
  if (!getProvider) {
    throw Failure{L"the module " + path_ + L" has no entry point getVexilorProviderInstance; is it a mail provider?"};
  }
  // A failure inside the module is described while the library that threw it is loaded.
  try {
    provider_.reset(getProvider());
  } catch (...) {
    throw Failure{L"the module " + path_ + L" failed to make a provider: " + describeFailure(true)};
  }
  if (!provider_) throw Failure{L"the module " + path_ + L" handed out no provider object (out of memory)"};
}

std::wstring defaultModulePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return L"dravoprovider.dll";
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      return path.substr(0, path.find_last_of(L"\\/") + 1) + L"dravoprovider.dll";
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring absolutePath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return full;
}

}  // namespace mailmgr
