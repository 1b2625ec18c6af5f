#pragma once
// What the tests of domains, mail names and mailing lists share: a fresh stand-in server with
// the domains example.com and other.org, its folders, files as raw bytes, and an account's
// properties in one string.

#include <filesystem>
#include <fstream>

#include "mailobjects/dravo_account.h"
#include "mailobjects/dravo_domain.h"
#include "platform/scratch_dir.h"
#include "support/raised.h"
#include "support/standin_server.h"

namespace fs = std::filesystem;

inline std::string fileBytes(const fs::path& path) { return ScratchDir::content(path.wstring()); }
inline void writeBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

class MailObjectsTest : public StandinTest {
 protected:
  fs::path mailDir(const std::wstring& relative) const { return fs::path(server.mailPath()) / relative; }
  fs::path configDir(const std::wstring& relative) const { return fs::path(server.configPath()) / relative; }
  // The named properties of an account, joined by "|".
  static std::wstring properties(const std::wstring& name, const std::wstring& domain, std::initializer_list<std::wstring> names) {
    std::wstring joined;
    for (const std::wstring& property : names) joined += L"|" + Dravo::DravoAccount(name, domain).getStrProp(property);
    return joined.substr(1);
  }
  const bool domainsMade = (Dravo::DravoDomain(L"example.com", 0), Dravo::DravoDomain(L"other.org", 0), true);
};
