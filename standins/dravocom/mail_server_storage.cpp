// Where the server's files lie, and reading and writing them.

#include "mail_server.h"

#include <windows.h>

#include "config_file.h"
#include "identity.h"
#include "last_err.h"
#include "text.h"

namespace {

constexpr wchar_t serverFile[] = L"server.cfg";
constexpr wchar_t domainsFile[] = L"domains.cfg";
constexpr wchar_t accountsFile[] = L"accounts.cfg";

void createDirectories(const std::wstring& path) {
  for (size_t at = path.find(L'\\'); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    if (at > 0 && path[at - 1] != L':') CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryW(path.c_str(), nullptr);
}

// The root a process starts with: the environment's DRAVO_STANDIN_ROOT when set (so that
// tests can give a child process a server of its own), else the registered "ServerRoot".
std::wstring registryRoot() {
  wchar_t text[MAX_PATH] = {};
  if (const DWORD length = GetEnvironmentVariableW(L"DRAVO_STANDIN_ROOT", text, MAX_PATH); length > 0 && length < MAX_PATH) {
    return text;
  }
  DWORD size = sizeof text;
  // Both text types must come with RRF_NOEXPAND, or the call refuses the request.
  if (RegGetValueW(HKEY_LOCAL_MACHINE, mailServerKey, serverRootValue,
                   RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, text, &size) != ERROR_SUCCESS ||
      !text[0]) {
    return defaultServerRoot;
  }
  return text;
}

std::wstring absolute(const std::wstring& path) {
  wchar_t full[MAX_PATH];
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  std::wstring result = length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
  while (result.size() > 3 && (result.back() == L'\\' || result.back() == L'/')) result.pop_back();
  return result;
}

}  // namespace

MailServer& mailServer() {
  static MailServer instance;
  return instance;
}

const std::wstring& MailServer::root() {
  if (root_.empty()) setRoot(L"");
  return root_;
}

std::wstring MailServer::configPath() { return root() + L"\\Config"; }

std::wstring MailServer::domainDirectory(const std::wstring& domain) { return joinPath(configPath(), domain); }

void MailServer::setRoot(const std::wstring& root) {
  root_ = absolute(root.empty() ? registryRoot() : root);
  for (const wchar_t* directory : {L"\\Config", L"\\Mail", L"\\Logs"}) createDirectories(root_ + directory);
  unload();
}

void MailServer::unload() {
  loaded_ = false;
  serverProperties_.clear();
  domains_.clear();
  deferring_ = false;  // writes still due are forgotten with the rest
  pendingAccountFiles_.clear();
}

long MailServer::reload() {
  unload();
  return ensureLoaded();
}

long MailServer::ensureLoaded() {
  if (loaded_) return lasterr::ok;
  const long result = load();
  if (result != lasterr::ok) unload();
  return result;
}

long MailServer::load() {
  std::vector<ConfigRecord> records;
  switch (readConfigFile(joinPath(configPath(), serverFile), records)) {
    case ConfigRead::ok:
      if (records.size() > 1 || (records.size() == 1 && records[0].keyword != L"server")) {
        return lasterr::badConfiguration;
      }
      if (!records.empty()) serverProperties_ = records[0].properties;
      break;
    case ConfigRead::missing: break;
    default: return lasterr::badConfiguration;
  }
  switch (readConfigFile(joinPath(configPath(), domainsFile), records)) {
    case ConfigRead::ok: break;
    case ConfigRead::missing: records.clear(); break;
    default: return lasterr::badConfiguration;
  }
  for (auto& record : records) {
    if (record.keyword != L"domain" || !usableName(record.name) || domain(record.name)) {
      return lasterr::badConfiguration;
    }
    domains_.push_back({record.name, std::move(record.properties), {}});
    if (!loadAccounts(domains_.back())) return lasterr::badConfiguration;
  }
  loaded_ = true;
  return lasterr::ok;
}

bool MailServer::loadAccounts(Domain& domain) {
  const std::wstring directory = domainDirectory(domain.name);
  createDirectories(directory);
  std::vector<ConfigRecord> records;
  const ConfigRead read = readConfigFile(joinPath(directory, accountsFile), records);
  if (read == ConfigRead::missing) return true;
  if (read != ConfigRead::ok) return false;
  for (auto& record : records) {
    if (record.keyword != L"account" || !usableName(record.name) || account(domain, record.name) ||
        record.properties.count(L"U_Name")) {
      return false;
    }
    domain.accounts.push_back({record.name, std::move(record.properties)});
  }
  return true;
}

bool MailServer::writeDomains(const std::vector<Domain>& domains) {
  std::vector<ConfigRecord> records;
  for (const auto& d : domains) records.push_back({L"domain", d.name, d.properties});
  return writeConfigFile(joinPath(configPath(), domainsFile), L"mail domains", records);
}

bool MailServer::writeAccounts(const std::wstring& directory, const std::vector<Account>& accounts) {
  if (deferring_) {
    pendingAccountFiles_.insert(directory);
    return true;
  }
  std::vector<ConfigRecord> records;
  for (const auto& a : accounts) records.push_back({L"account", a.name, a.properties});
  createDirectories(directory);
  return writeConfigFile(joinPath(directory, accountsFile), L"accounts of the domain", records);
}

bool MailServer::deferAccountWrites(bool on) {
  deferring_ = on;
  if (on) return true;
  bool written = true;
  for (const Domain& d : domains_) {
    const std::wstring directory = domainDirectory(d.name);
    if (pendingAccountFiles_.count(directory)) written = writeAccounts(directory, d.accounts) && written;
  }
  pendingAccountFiles_.clear();
  return written;
}

bool MailServer::writeServer(const PropertyMap& properties) {
  return writeConfigFile(joinPath(configPath(), serverFile), L"server properties", {{L"server", L"", properties}});
}

void MailServer::removeAccounts(const std::wstring& domain) {
  // Only the server's own file goes; other files (member files) stay with the directory.
  const std::wstring directory = domainDirectory(domain);
  DeleteFileW(joinPath(directory, accountsFile).c_str());
  RemoveDirectoryW(directory.c_str());
}
