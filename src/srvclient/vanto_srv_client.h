#pragma once
// The module's connection to the control panel's local service: the value of a panel
// setting and information about an installed component of the panel.

#include <cstdint>
#include <string>

#include "srvclient/pipe_client.h"

class VantoSrvClient : public vpipechannel::client {
 public:
  static constexpr const wchar_t* defaultPipeName = L"\\\\.\\pipe\\kvxpipe";
  // Information kinds of componentInfo.
  static constexpr std::uint32_t displayName = 0;
  static constexpr std::uint32_t versionText = 1;

  // Connects at once.
  explicit VantoSrvClient(const std::wstring& pipeName = defaultPipeName);

  // The process's one client, created and connected on first use.
  static VantoSrvClient& getInstance();

  std::wstring getString(const std::wstring& name);
  std::wstring componentInfo(const std::wstring& package, std::uint32_t kind);
};

// The panel's directories, from its "PRODUCT_ROOT_D" setting.
std::wstring panelProgramDir();  // <root>\admin\bin
std::wstring panelAdminDir();    // <root>\admin
std::wstring panelRoot();        // the setting without trailing "\" and "/"
// The same, from a value already asked for.
std::wstring panelRootOf(const std::wstring& productRoot);
