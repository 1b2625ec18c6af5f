#pragma once
// The mail server's two switches that the package reads and sets. They are operations of
// the provider outside its table.

namespace Dravo {

class DravoProvider;

void internalAntivirus(bool on);
bool internalAntivirus();
// Both refuse mail servers older than 7.6.1; the provider supplies the version.
void internalSpamAssassin(DravoProvider& provider, bool on);
bool internalSpamAssassin(DravoProvider& provider);

}  // namespace Dravo
