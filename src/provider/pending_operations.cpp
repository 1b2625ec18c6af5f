#include "provider/dravo_provider.h"

#include "platform/exceptions.h"

// Operations whose work this module does not do yet: each raises a clear run-time error
// so that a caller sees which one it reached.

namespace Dravo {
namespace {

[[noreturn]] void notBuilt(const char* operation) {
  const std::string name = std::string("Dravo::DravoProvider::") + operation;
  throwRuntimeError(L"Not implemented: " + std::wstring(name.begin(), name.end()), site(name.c_str(), 0));
}

}  // namespace

MailList* DravoProvider::createMailList(const std::wstring&, const std::wstring&, const std::wstring&, bool) { notBuilt("createMailList"); }
MailList* DravoProvider::openMailList(const std::wstring&, const std::wstring&) { notBuilt("openMailList"); }
void DravoProvider::removeMailList(const std::wstring&, const std::wstring&) { notBuilt("removeMailList"); }
MailInfo* DravoProvider::createMail(const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const std::wstring&, const StringList*, const std::wstring&) { notBuilt("createMail"); }
MailInfo* DravoProvider::forwardMail(const std::wstring&, const std::wstring&, const std::wstring&) { notBuilt("forwardMail"); }
void DravoProvider::dumpMailBox(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("dumpMailBox"); }
void DravoProvider::dumpMailList(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("dumpMailList"); }
void DravoProvider::restoreMailBox(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("restoreMailBox"); }
void DravoProvider::restoreMailList(MailStorage&, const std::wstring&, const std::wstring&) { notBuilt("restoreMailList"); }

}  // namespace Dravo
