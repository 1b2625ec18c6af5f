#pragma once
// The package "mailserver" as the control panel sees it: description, version and status
// of the mail server, and its two switches "internal_antivirus" and "internal_spamassassin".

#include <windows.h>

#include <memory>
#include <string>

#include "package/package_host.h"
#include "interfaces/vpackage.h"

// The version the panel reports for a component version text: empty when unreadable or
// older than 7.5.2, marked " (limited supported)" below 7.6.1, otherwise unchanged.
std::wstring supportedVersionText(const std::wstring& componentVersion);

class VDravoPackage : public VPackage {
 public:
  static constexpr const char* packageName = "mailserver";

  VDravoPackage(HINSTANCE module, std::unique_ptr<PackageHost> host);

  std::string GetName() override;
  std::wstring GetDescription() override;
  std::wstring GetVersion() override;
  void destroy(unsigned flags) override;
  void Configure(bool enable) override;
  void Update() override;
  void SaveSettings() override;
  std::wstring GetProperty(const std::wstring& name) override;
  bool SetProperties(const std::map<std::wstring, std::wstring>& properties) override;
  bool IsPropertySupported(const std::wstring& name) override;
  bool IsAvailable() override;
  std::wstring GetStatus() override;

  HINSTANCE module() const { return module_; }

 private:
  ~VDravoPackage() = default;

  void setupMailServer();   // Configure(true)
  void removeMailServer();  // Configure(false)

  HINSTANCE module_;  // this module's instance, to find its own file name
  std::unique_ptr<PackageHost> host_;
};
