#include "srvclient/vanto_srv_client.h"

#include <memory>

#include "platform/context_handler.h"
#include "platform/file_name.h"
#include "platform/format.h"

namespace {

// {AD3EBC3C-E6B9-4FCF-ABB9-ED1B3D524F22}
constexpr GUID getStringRequest = {0xAD3EBC3C, 0xE6B9, 0x4FCF, {0xAB, 0xB9, 0xED, 0x1B, 0x3D, 0x52, 0x4F, 0x22}};
// {943B58AA-49DE-47A5-AA59-0E010A48C341}
constexpr GUID componentInfoRequest = {0x943B58AA, 0x49DE, 0x47A5, {0xAA, 0x59, 0x0E, 0x01, 0x0A, 0x48, 0xC3, 0x41}};

// Made on first use, destroyed when the module unloads; a failed creation leaves it empty.
std::unique_ptr<VantoSrvClient>& sharedClient() {
  static std::unique_ptr<VantoSrvClient> client;
  return client;
}

}  // namespace

VantoSrvClient::VantoSrvClient(const std::wstring& pipeName) : vpipechannel::client(pipeName, true) {}

VantoSrvClient& VantoSrvClient::getInstance() {
  return withContext(L"get shared instance of VantoSrvClient", "VantoSrvClient::getInstance", 40,
                     []() -> VantoSrvClient& {
                       auto& client = sharedClient();
                       if (!client) client = std::make_unique<VantoSrvClient>();
                       return *client;
                     });
}

std::wstring VantoSrvClient::getString(const std::wstring& name) {
  return withContext(format(L"getString(%s)", name.c_str()), "VantoSrvClient::getString", 58, [&] {
    vserializer::buffer arguments;
    arguments.writeString(name);
    return query(getStringRequest, arguments)->readString();
  });
}

std::wstring VantoSrvClient::componentInfo(const std::wstring& package, std::uint32_t kind) {
  return withContext(format(L"componentInfo for package '%s'", package.c_str()), "VantoSrvClient::componentInfo", 73,
                     [&] {
                       vserializer::buffer arguments;
                       arguments.writeString(package);
                       arguments.writeUint32(kind);
                       return query(componentInfoRequest, arguments)->readString();
                     });
}

std::wstring panelRootOf(const std::wstring& productRoot) { return trimRight(productRoot, L"\\/"); }

std::wstring panelRoot() { return panelRootOf(VantoSrvClient::getInstance().getString(L"PRODUCT_ROOT_D")); }

std::wstring panelAdminDir() {
  return VFileName::combine(VantoSrvClient::getInstance().getString(L"PRODUCT_ROOT_D"), L"admin");
}

std::wstring panelProgramDir() {
  return VFileName::combine(VantoSrvClient::getInstance().getString(L"PRODUCT_ROOT_D"), L"admin\\bin");
}
