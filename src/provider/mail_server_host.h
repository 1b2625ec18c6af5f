#pragma once
// The package's real surroundings: the panel's shared service client, and a provider
// object made for the duration of each mail-server question.

#include <memory>

#include "package/package_host.h"

std::unique_ptr<PackageHost> makeMailServerHost();
