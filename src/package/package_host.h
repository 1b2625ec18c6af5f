#pragma once
// What the mail-server package asks of its surroundings: component information from the
// control panel's service, the mail server's switches and version, and a provider for the
// operations that carry the mail configuration. The package's rules are kept apart from
// these questions so that they can be checked on their own.

#include <cstdint>
#include <string>

#include "interfaces/mail_provider.h"

class PackageHost {
 public:
  virtual ~PackageHost() = default;
  virtual std::wstring componentInfo(const std::wstring& package, std::uint32_t kind) = 0;
  virtual bool internalAntivirus() = 0;
  virtual void internalAntivirus(bool on) = 0;
  virtual bool internalSpamAssassin() = 0;
  virtual void internalSpamAssassin(bool on) = 0;
  virtual void mailServerVersion(int& major, int& minor, int& build) = 0;
  // A new provider object; its construction initialises COM on the calling thread.
  virtual MailProviderPtr provider() = 0;
};
