// The module's exports; the module-definition file names them undecorated.

#include <windows.h>

#include <cstring>
#include <new>

#include "package/dravo_package.h"
#include "provider/dravo_provider.h"
#include "provider/mail_server_host.h"

extern "C" MailProvider* getVexilorProviderInstance() { return new (std::nothrow) Dravo::DravoProvider(); }

// The package descriptor for exactly the name "mailserver"; null for any other name or
// when the object cannot be had.
extern "C" VPackage* VantoPackageInfo(HINSTANCE module, const char* name) {
  if (!name || std::strcmp(name, VDravoPackage::packageName) != 0) return nullptr;
  try {
    return new VDravoPackage(module, makeMailServerHost());
  } catch (...) {
    return nullptr;
  }
}
