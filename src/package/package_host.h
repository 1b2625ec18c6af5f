#pragma once
// What the mail-server package asks of its surroundings: component information from the
// control panel's service, and the mail server's switches and version. The package's
// rules are kept apart from these questions so that they can be checked on their own.

#include <cstdint>
#include <memory>
#include <string>

class PackageHost {
 public:
  virtual ~PackageHost() = default;
  virtual std::wstring componentInfo(const std::wstring& package, std::uint32_t kind) = 0;
  virtual bool internalAntivirus() = 0;
  virtual void internalAntivirus(bool on) = 0;
  virtual bool internalSpamAssassin() = 0;
  virtual void internalSpamAssassin(bool on) = 0;
  virtual void mailServerVersion(int& major, int& minor, int& build) = 0;
};

// The real surroundings: the panel's shared service client, and a provider object made
// for the duration of each mail-server question.
std::unique_ptr<PackageHost> makeMailServerHost();
