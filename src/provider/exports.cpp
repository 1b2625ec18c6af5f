// The module's exports; the module-definition file names them undecorated.

#include <windows.h>

#include <new>

#include "provider/dravo_provider.h"

class VPackage;

extern "C" MailProvider* getVexilorProviderInstance() { return new (std::nothrow) Dravo::DravoProvider(); }

// The package descriptor is not offered yet: every name is answered with null, which the
// control panel reads as "no such package".
extern "C" VPackage* VantoPackageInfo(HINSTANCE, const char*) { return nullptr; }
