#pragma once
// The module as a mail manager holds it: the library loaded at run time and the provider
// object it hands out, released through its own release operation before the library
// is unloaded.

#include <memory>
#include <string>

#include "platform/owner.h"
#include "interfaces/mail_provider.h"

namespace mailmgr {

class ProviderHost {
 public:
  // Loads the library at path and asks it for a provider; raises Failure naming the path.
  explicit ProviderHost(const std::wstring& path);

  MailProvider& provider() { return *provider_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  Library library_;  // declared before the provider, so it is unloaded after it
  MailProviderPtr provider_;
};

// dravoprovider.dll in the directory of the running program.
std::wstring defaultModulePath();
// The path made absolute against the current directory.
std::wstring absolutePath(const std::wstring& path);

}  // namespace mailmgr
