#include "automation/server_directories.h"

#include "automation/automation_objects.h"

namespace Dravo {
namespace {

std::wstring directory(const wchar_t* property) {
  ApiObject api;
  std::wstring path = api.getString(property);
  // Only a backslash counts as the separator; an unset directory becomes "\".
  if (path.empty() || path.back() != L'\\') path += L'\\';
  return path;
}

}  // namespace

std::wstring mailPath() { return directory(L"C_MailPath"); }
std::wstring configPath() { return directory(L"C_ConfigPath"); }
std::wstring logPath() { return directory(L"C_LogPath"); }

}  // namespace Dravo
