// The real provider with scripted domain and mail name operations, each call noted as a UTF-8
// line in the file named by MAILMGR_JOURNAL. Names choose the answer: "null.example" a null
// object, "os-error", "com-error", "std-error", "int" and "pending.example" a kind of failure.

#include <windows.h>

#include <cstdio>
#include <new>
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

// Notes the call, raises the failure that the name asks for; true when it asks for a null object.
bool scripted(const char* operation, const std::wstring& name, const std::wstring& detail = {}) {
  note(toWide(operation, CP_ACP) + L" " + name + detail);
  if (name.ends_with(L"os-error.example")) throwOsError(L"CreateFile", ERROR_ACCESS_DENIED, site(operation, 7));
  if (name.ends_with(L"com-error.example")) throw ComError(E_FAIL, L"scripted description");
  if (name.ends_with(L"std-error.example")) throw std::runtime_error("scripted standard failure");
  if (name.ends_with(L"int.example")) throw 42;
  if (name.ends_with(L"pending.example"))
    throwRuntimeError(L"Not implemented: Dravo::DravoProvider::" + toWide(operation, CP_ACP), site(operation, 0));
  return name.ends_with(L"null.example");
}

class ScriptedDomain final : public MailDomain {
 public:
  explicit ScriptedDomain(std::wstring name) : name_(std::move(name)) {}
  void name(const std::wstring& newName) override { name_ = newName; }
  std::wstring name() override { return name_; }
  void enable(bool) override {}
  bool isEnabled() override { return false; }
  void quota(int) override {}
  int quota() override { return 100 << 20; }
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
};

class ScriptedMailName final : public MailName {
 public:
  explicit ScriptedMailName(std::wstring address) : address_(std::move(address)) {}
  void name(const std::wstring&) override {}
  std::wstring name() override { return address_.substr(0, address_.find(L'@')); }
  void domain(const std::wstring&) override {}
  std::wstring domain() override { return address_.substr(address_.find(L'@') + 1); }
  void quota(int) override {}
  int quota() override { return -1; }
  unsigned mailboxSize() override { return 3 * 1024 * 1024; }
  void password(const std::wstring& password) override { note(L"password " + address_ + L" " + password); }
  std::wstring password() override { return {}; }
  void postbox(bool) override {}
  bool postbox() override { return true; }
  void forwards(StringList& addresses) override { addresses.push_back(L"copy@example.net"); }
  void addForward(const std::wstring&) override {}
  void delForward(const std::wstring&) override {}
  void unsupportedSwitch(int) override {}
  bool unsupportedSwitch() override { return false; }
  void aliases(StringList& aliases) override { aliases.insert(aliases.end(), {name(), L"contact"}); }
  void addAlias(const std::wstring&) override {}
  void delAlias(const std::wstring&) override {}
  void attachments(StringList&) override {}
  void addAttachment(const std::wstring&, const std::wstring&) override {}
  void delAttachment(const std::wstring&) override {}
  void release() override {
    note(L"release mail name " + address_);
    delete this;
  }
  void unsupportedSwitch2(int) override {}
  bool unsupportedSwitch2() override { return false; }
  void reservedOperation() override {}

 private:
  std::wstring address_;
};

class ScriptedProvider final : public Dravo::DravoProvider {
 public:
  void domains(StringList& names) override {
    note(L"domains");
    // The last two need escaping in JSON: a non-ASCII letter, a quote, a backslash, a tab.
    names.insert(names.end(), {L"example.com", L"b\u00fccher.example", L"odd\"name\\with\ttab"});
  }
  MailDomain* createDomain(const std::wstring& name, int limit) override {
    return scripted("createDomain", name, L" " + std::to_wstring(limit)) ? nullptr : new ScriptedDomain(name);
  }
  MailDomain* openDomain(const std::wstring& name) override {
    return scripted("openDomain", name) ? nullptr : new ScriptedDomain(name);
  }
  void removeDomain(const std::wstring& name) override { scripted("removeDomain", name); }
  MailName* openMailName(const std::wstring& name, const std::wstring& domain) override {
    return scripted("openMailName", name + L"@" + domain) ? nullptr : new ScriptedMailName(name + L"@" + domain);
  }
  void release() override {
    note(L"release provider");
    delete this;
  }
};

}  // namespace

extern "C" MailProvider* getVexilorProviderInstance() { return new (std::nothrow) ScriptedProvider(); }
