#include "package/static_filters.h"

#include <windows.h>

#include "platform/file_operations.h"
#include "platform/strings.h"
#include "platform/vfile.h"

std::wstring fillTemplate(std::wstring text, const TemplateVariables& variables) {
  std::wstring::size_type open = text.find(L'<');
  while (open != std::wstring::npos) {
    const std::wstring::size_type close = text.find(L'>', open + 1);
    if (close == std::wstring::npos) break;
    const auto variable = variables.find(text.substr(open + 1, close - open - 1));
    if (variable != variables.end()) {
      text.replace(open, close - open + 1, variable->second);
      open = text.find(L'<', open);  // the inserted value is scanned too
    } else {
      open = text.find(L'<', open + 1);
    }
  }
  return text;
}

void installStaticFilters(const std::wstring& templatePath, const std::wstring& target,
                          const TemplateVariables& variables) {
  std::string templateText;
  VFile(templatePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING).readAll(templateText);
  const std::string filled = toNarrow(fillTemplate(toWide(templateText, CP_ACP), variables), CP_ACP);

  if (pathExists(target)) {
    const std::wstring backup = target + L".bak";
    if (pathExists(backup)) removeFile(backup, false);
    renameFile(target, backup);
  }
  VFile(target, GENERIC_WRITE, 0, CREATE_ALWAYS).write(filled.data(), static_cast<DWORD>(filled.size()));
}
