#include "mailobjects/list_members_file.h"

#include <windows.h>

#include "listfiles/list_file.h"
#include "platform/strings.h"
#include "platform/vfile.h"

namespace Dravo {

std::string readMemberFile(const std::wstring& path) {
  std::string bytes;
  VFile(path, GENERIC_READ, 0, OPEN_EXISTING).readAll(bytes);
  return bytes;
}

void writeMemberFile(const std::wstring& path, const std::string& bytes) {
  safeWrite(path, [&] {
    VFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS).write(bytes.data(), static_cast<DWORD>(bytes.size()));
  });
}

void splitMembers(const std::string& bytes, StringList& members) {
  // Split the wide text, so that a trail byte equal to CR or LF stays inside its character.
  const std::wstring text = toWide(bytes, CP_ACP);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    if (end > start) members.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace Dravo
