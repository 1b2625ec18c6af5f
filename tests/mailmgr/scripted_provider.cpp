// A module that hands out the real provider with scripted answers for the domain, mail
// name and mailing-list operations, so that tests can watch what the mail manager does
// with the objects and failures it receives. Each call is noted, one line each, in the
// UTF-8 file named by the environment variable MAILMGR_JOURNAL.
//
// Names choose the answer: "null.example" gives a null object, "os-error.example",
// "com-error.example", "std-error.example", "int.example" and "pending.example" raise the
// kinds of failure a module can raise.

#include <windows.h>

#include <cstdio>
#include <new>
#include <set>
#include <stdexcept>

#include "platform/com_error.h"
#include "platform/exceptions.h"
#include "platform/strings.h"
#include "provider/dravo_provider.h"

namespace {

void note(const std::wstring& line) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"MAILMGR_JOURNAL", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  if (FILE* file = _wfopen(path, L"ab")) {
    const std::string text = toNarrow(line + L"\n", CP_UTF8);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
}

// Raises the failure that the name asks for; true when the name asks for a null object.
bool scriptedFailure(const std::wstring& name, const char* operation) {
  if (name == L"null.example") return true;
  if (name == L"os-error.example") throwOsError(L"CreateFile", ERROR_ACCESS_DENIED, site(operation, 7));
  if (name == L"com-error.example") throw ComError(E_FAIL, L"scripted description");
  if (name == L"std-error.example") throw std::runtime_error("scripted standard failure");
  if (name == L"int.example") throw 42;
  if (name == L"pending.example") {
    throwRuntimeError(L"Not implemented: Dravo::DravoProvider::" + toWide(operation, CP_ACP), site(operation, 0));
  }
  return false;
}

class ScriptedDomain final : public MailDomain {
 public:
  ScriptedDomain(std::wstring name, int limit) : name_(std::move(name)), limit_(limit) {}

  void name(const std::wstring& newName) override { name_ = newName; }
  std::wstring name() override { return name_; }
  void enable(bool on) override { enabled_ = on; }
  bool isEnabled() override { return enabled_; }
  void quota(int bytes) override { limit_ = bytes; }
  int quota() override { return limit_; }
  void totalQuota(int) override {}
  int totalQuota() override { return 1 << 30; }
  void bounce(const std::wstring&) override {}
  std::wstring bounce() override { return {}; }
  void catchToEmail(const std::wstring&) override {}
  std::wstring catchToEmail() override { return L"all@" + name_; }
  void mailNames(StringList& names) override { names.push_back(L"info"); }
  void release() override {
    note(L"release domain " + name_);
    delete this;
  }
  void discard(bool) override {}
  bool discard() override { return false; }
  void reservedOperation() override {}

 private:
  std::wstring name_;
  int limit_;
  bool enabled_ = false;
};

class ScriptedMailName final : public MailName {
 public:
  ScriptedMailName(std::wstring name, std::wstring domain) : name_(std::move(name)), domain_(std::move(domain)) {}

  void name(const std::wstring& newName) override { name_ = newName; }
  std::wstring name() override { return name_; }
  void domain(const std::wstring& newDomain) override { domain_ = newDomain; }
  std::wstring domain() override { return domain_; }
  void quota(int) override {}
  int quota() override { return -1; }
  unsigned mailboxSize() override { return 3 * 1024 * 1024; }
  void password(const std::wstring& password) override { note(L"password " + address() + L" " + password); }
  std::wstring password() override { return {}; }
  void postbox(bool) override {}
  bool postbox() override { return true; }
  void forwards(StringList& addresses) override { addresses.push_back(L"copy@example.net"); }
  void addForward(const std::wstring&) override {}
  void delForward(const std::wstring&) override {}
  void unsupportedSwitch(int) override {}
  bool unsupportedSwitch() override { return false; }
  void aliases(StringList& aliases) override { aliases.insert(aliases.end(), {name_, L"contact"}); }
  void addAlias(const std::wstring&) override {}
  void delAlias(const std::wstring&) override {}
  void attachments(StringList&) override {}
  void addAttachment(const std::wstring&, const std::wstring&) override {}
  void delAttachment(const std::wstring&) override {}
  void release() override {
    note(L"release mail name " + address());
    delete this;
  }
  void unsupportedSwitch2(int) override {}
  bool unsupportedSwitch2() override { return false; }
  void reservedOperation() override {}

 private:
  std::wstring address() const { return name_ + L"@" + domain_; }
  std::wstring name_;
  std::wstring domain_;
};

class ScriptedMailList final : public MailList {
 public:
  ScriptedMailList(std::wstring name, std::wstring domain) : name_(std::move(name)), domain_(std::move(domain)) {}

  void name(const std::wstring& newName) override { name_ = newName; }
  std::wstring name() override { return name_; }
  void domain(const std::wstring& newDomain) override { domain_ = newDomain; }
  std::wstring domain() override { return domain_; }
  void adminEMail(const std::wstring&) override {}
  std::wstring adminEMail() override { return L"owner@" + domain_; }
  void enable(bool) override {}
  bool enabled() override { return true; }
  void members(StringList& addresses) override { addresses.push_back(L"member@example.org"); }
  void addMember(const std::wstring& address) override { note(L"addMember " + name_ + L"@" + domain_ + L" " + address); }
  void delMember(const std::wstring&) override {}
  void release() override {
    note(L"release mail list " + name_ + L"@" + domain_);
    delete this;
  }
  void reservedOperation() override {}

 private:
  std::wstring name_;
  std::wstring domain_;
};

class ScriptedProvider final : public Dravo::DravoProvider {
 public:
  bool productInfo(std::wstring& name, std::wstring& version) override {
    name = L"Dravo Mail Server";
    version = L"9.8.7";
    return true;
  }
  std::wstring mailPath() override { return L"C:\\Scripted\\mail\\"; }
  void mailPaths(StringList& paths) override { paths.push_back(L"C:\\Scripted\\mail"); }
  void domainMailPaths(const std::wstring& domain, const std::wstring&, StringList& paths) override {
    paths.push_back(L"C:\\Scripted\\mail\\" + domain);
  }
  void domains(StringList& names) override {
    note(L"domains");
    // The last two need escaping in JSON: a non-ASCII letter, a quote, a backslash, a tab.
    names.insert(names.end(), {L"example.com", L"xn--bcher-kva.example", L"b\u00fccher.example",
                               L"odd\"name\\with\ttab"});
  }
  MailDomain* createDomain(const std::wstring& name, int limit) override {
    note(L"createDomain " + name + L" " + std::to_wstring(limit));
    if (scriptedFailure(name, "createDomain")) return nullptr;
    return new ScriptedDomain(name, limit);
  }
  MailDomain* openDomain(const std::wstring& name) override {
    note(L"openDomain " + name);
    if (scriptedFailure(name, "openDomain")) return nullptr;
    return new ScriptedDomain(name, 100 << 20);
  }
  void removeDomain(const std::wstring& name) override {
    note(L"removeDomain " + name);
    scriptedFailure(name, "removeDomain");
  }
  MailName* createMailName(const std::wstring& name, const std::wstring& domain, int quota) override {
    note(L"createMailName " + name + L"@" + domain + L" " + std::to_wstring(quota));
    if (scriptedFailure(domain, "createMailName")) return nullptr;
    return new ScriptedMailName(name, domain);
  }
  MailName* openMailName(const std::wstring& name, const std::wstring& domain) override {
    note(L"openMailName " + name + L"@" + domain);
    if (scriptedFailure(domain, "openMailName")) return nullptr;
    return new ScriptedMailName(name, domain);
  }
  void removeMailName(const std::wstring& name, const std::wstring& domain) override {
    note(L"removeMailName " + name + L"@" + domain);
    scriptedFailure(domain, "removeMailName");
  }
  void mailNames(const std::wstring& domain, StringList& names) override {
    scriptedFailure(domain, "mailNames");
    names.insert(names.end(), {L"info", L"sales"});
  }
  MailList* createMailList(const std::wstring& name, const std::wstring& domain, const std::wstring&, bool) override {
    note(L"createMailList " + name + L"@" + domain);
    if (scriptedFailure(domain, "createMailList")) return nullptr;
    return new ScriptedMailList(name, domain);
  }
  MailList* openMailList(const std::wstring& name, const std::wstring& domain) override {
    if (scriptedFailure(domain, "openMailList")) return nullptr;
    return new ScriptedMailList(name, domain);
  }
  void removeMailList(const std::wstring& name, const std::wstring& domain) override {
    note(L"removeMailList " + name + L"@" + domain);
    scriptedFailure(domain, "removeMailList");
  }
  void mailLists(const std::wstring& domain, StringList& names) override {
    scriptedFailure(domain, "mailLists");
    names.push_back(L"news");
  }
  // Services answer from the script's own state, not from the machine's services.
  bool isStarted(const std::wstring& service) override { return running_.count(service) != 0; }
  void start(const std::wstring& service, bool on) override {
    note((on ? L"start " : L"stop ") + service);
    if (on)
      running_.insert(service);
    else
      running_.erase(service);
  }
  void release() override {
    note(L"release provider");
    delete this;
  }

 private:
  std::set<std::wstring> running_;
};

}  // namespace

extern "C" MailProvider* getVexilorProviderInstance() { return new (std::nothrow) ScriptedProvider(); }
