// The internal antivirus and spam engine switches that the package reads and sets.

#include "automation/call_patterns.h"
#include "provider/dravo_provider.h"
#include "provider/spam_engine_version.h"

#include "provider/server_switches.h"

namespace Dravo {

bool spamEngineSupported(int major, int minor, int build) {
  return major > 7 || (major == 7 && (minor > 6 || (minor == 6 && build >= 1)));
}

namespace {

const wchar_t spamRefusal[] = L"Control of Internal SpamAssassin is not supported by current Dravo version";

bool supportedBy(DravoProvider& provider) {
  int major = 0, minor = 0, build = 0;
  provider.getVersion(major, minor, build);
  return spamEngineSupported(major, minor, build);
}

}  // namespace

void internalAntivirus(bool on) {
  ApiObject api;
  writeProperties(api, {{L"C_VirusPlugIn", Variant::ofInt(on ? 1 : 0)}},
                  [] {
                    return std::wstring(L"DravoCOM.APIObject.Save failed to change Internal Antivirus running state");
                  },
                  site("Dravo::DravoProvider::internalAntivirus", 946));
}

bool internalAntivirus() { return ApiObject().getFlag(L"C_VirusPlugIn"); }

void internalSpamAssassin(DravoProvider& provider, bool on) {
  const char* const operation = "Dravo::DravoProvider::internalSpamAssassin";
  if (!supportedBy(provider)) {
    throwRuntimeError(spamRefusal, site(operation, 966));
  }
  ApiObject api;
  writeProperties(api, {{L"C_SpamEngine", Variant::ofBool(on)}},
                  [] { return std::wstring(L"DravoCOM.APIObject.Save failed to change Internal SpamAssassin state"); },
                  site(operation, 964));
}

bool internalSpamAssassin(DravoProvider& provider) {
  if (!supportedBy(provider)) {
    throwRuntimeError(spamRefusal, site("Dravo::DravoProvider::internalSpamAssassin", 978));
  }
  return ApiObject().getFlag(L"C_SpamEngine");
}

}  // namespace Dravo
