#include "support/standin_server.h"

#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "platform/com_owners.h"

namespace {

std::wstring freshDirectory() {
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no temporary directory");
  const std::wstring base = std::wstring(temp, length) + L"dravo-standin-" + std::to_wstring(GetCurrentProcessId());
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const std::wstring path = base + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(path.c_str(), nullptr)) return path;
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  throw std::runtime_error("cannot create a temporary directory");
}

// Removes a tree whatever its files' attributes.
void removeTree(const std::wstring& path) {
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error))
    SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  std::filesystem::remove_all(path, error);
}

}  // namespace

StandinServer::StandinServer() {
  CLSID classId;
  ComPtr<IDispatch> api;
  if (FAILED(CLSIDFromProgID(L"DravoCOM.APIObject", &classId)) ||
      FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(api.put())))) {
    throw std::runtime_error("the stand-in mail server is not registered (CTest fixture dravocom)");
  }
  wchar_t path[MAX_PATH];
  const HMODULE loaded = GetModuleHandleW(L"dravocom_standin.dll");
  if (!loaded || !GetModuleFileNameW(loaded, path, MAX_PATH)) throw std::runtime_error("stand-in DLL not loaded");
  module_.reset(LoadLibraryW(path));
  const auto entry = reinterpret_cast<DravoStandinControl* (*)()>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "dravoStandinControl")));
  if (!entry) throw std::runtime_error("the stand-in DLL has no control entry");
  control_ = entry();
  root_ = freshDirectory();
  control_->resetFaults();
  control_->setRoot(root_.c_str());
  control_->clearJournal();
}

StandinServer::~StandinServer() {
  if (control_) {
    control_->resetFaults();
    control_->clearJournal();
  }
  if (!root_.empty()) removeTree(root_);
}

std::vector<std::wstring> StandinServer::journal() const {
  std::vector<std::wstring> lines;
  std::wistringstream text(control_->journal());
  for (std::wstring line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

std::vector<std::wstring> StandinServer::calls() const {
  std::vector<std::wstring> lines = journal();
  for (auto& line : lines) {
    const size_t hash = line.find(L'#');
    const size_t dot = line.find(L'.', hash);
    if (hash != std::wstring::npos && dot != std::wstring::npos) line.erase(hash, dot - hash);
  }
  return lines;
}

size_t StandinServer::count(const std::wstring& call) const {
  size_t n = 0;
  for (const auto& line : calls()) n += line == call;
  return n;
}
