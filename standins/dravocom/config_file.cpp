#include "config_file.h"

#include <windows.h>

#include "platform/owner.h"
#include "text.h"

namespace {

std::vector<std::wstring> splitFields(const std::wstring& line) {
  std::vector<std::wstring> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find(L'\t', start);
    fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
    if (tab == std::wstring::npos) return fields;
    start = tab + 1;
  }
}

bool readBytes(const std::wstring& path, std::string& bytes, bool& missing) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return false;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024) return false;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD done = 0;
  return bytes.empty() || (ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                           done == bytes.size());
}

bool parseLine(const std::wstring& line, std::vector<ConfigRecord>& records) {
  if (line.empty() || line[0] == L'#') return true;
  const auto fields = splitFields(line);
  if (line[0] != L'\t') {
    if (fields.size() > 2 || fields[0].empty()) return false;
    ConfigRecord record;
    record.keyword = fields[0];
    if (fields.size() == 2 && !unescapeField(fields[1], record.name)) return false;
    records.push_back(std::move(record));
    return true;
  }
  std::wstring name, content;
  if (records.empty() || fields.size() != 4 || !unescapeField(fields[1], name) || name.empty() ||
      !unescapeField(fields[3], content)) {
    return false;
  }
  const auto value = parseValue(fields[2], content);
  return value && records.back().properties.emplace(name, *value).second;
}

}  // namespace

ConfigRead readConfigFile(const std::wstring& path, std::vector<ConfigRecord>& records) {
  records.clear();
  std::string bytes;
  bool missing = false;
  if (!readBytes(path, bytes, missing)) return missing ? ConfigRead::missing : ConfigRead::unreadable;
  std::wstring text;
  if (!fromUtf8(bytes, text)) return ConfigRead::malformed;
  std::vector<ConfigRecord> read;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!parseLine(line, read)) return ConfigRead::malformed;
    start = end + 1;
  }
  records = std::move(read);
  return ConfigRead::ok;
}

bool writeConfigFile(const std::wstring& path, const std::wstring& title, const std::vector<ConfigRecord>& records) {
  std::wstring text = L"# " + title + L"\r\n";
  for (const auto& record : records) {
    text += record.keyword;
    if (!record.name.empty()) text += L"\t" + escapeField(record.name);
    text += L"\r\n";
    for (const auto& [name, value] : record.properties) {
      if (value.type == VT_EMPTY) continue;
      text += L"\t" + escapeField(name) + L"\t" + typeTag(value.type) + L"\t" + escapeField(valueContent(value)) +
              L"\r\n";
    }
  }
  const std::string bytes = toUtf8(text);
  const std::wstring fresh = path + L".new";
  {
    FileHandle file(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD done = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        done != bytes.size()) {
      file.reset();
      DeleteFileW(fresh.c_str());
      return false;
    }
  }
  if (MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(fresh.c_str());
  return false;
}
