// The static filter template: its variables filled in, and installed with a backup of the
// file it replaces.

#include "package/static_filters.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/scratch_dir.h"

namespace {

const TemplateVariables dll{{L"filter-dll-path", L"C:\\Panel\\admin\\bin\\dravomailfilter.dll"}};

TEST(StaticFilterTemplate, FillsOnlyKnownPlaceholders) {
  const TemplateVariables path{{L"filter-dll-path", L"P"}};
  const struct {
    const wchar_t *text, *filled;
  } cases[] = {
      {L"no placeholders at all\r\n", L"no placeholders at all\r\n"},
      {L"Library=<filter-dll-path>", L"Library=P"},
      {L"<filter-dll-path>;<filter-dll-path>", L"P;P"},
      {L"<other> and <FILTER-DLL-PATH> stay", L"<other> and <FILTER-DLL-PATH> stay"},
      // The first "<" pairs with the ">" of the placeholder; the next "<" is tried after it.
      {L"a < b <filter-dll-path>", L"a < b P"},
      {L"<x><filter-dll-path> <unclosed", L"<x>P <unclosed"},
      {L"tail <filter-dll-path", L"tail <filter-dll-path"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(fillTemplate(c.text, path), c.filled) << testing::PrintToString(std::wstring(c.text));
  // An inserted value is read again: a value naming another variable gets that one's value.
  const TemplateVariables chained{{L"outer", L"[<inner>]"}, {L"inner", L"value"}};
  EXPECT_EQ(fillTemplate(L"<outer>", chained), L"[value]");
}

// The installed file byte for byte, the replaced one kept, and a missing template losing nothing.
TEST(StaticFilterTemplate, InstallKeepsPreviousFileAsBackup) {
  ScratchDir dir;
  const std::wstring source = dir.file(L"template.dat", "Library=<filter-dll-path>\r\nName=\xE9t\xE9\r\n");
  const std::wstring target = dir.file(L"staticfilters.dat", "previous");
  dir.file(L"staticfilters.dat.bak", "older");
  const std::string installed = "Library=C:\\Panel\\admin\\bin\\dravomailfilter.dll\r\nName=\xE9t\xE9\r\n|previous";
  installStaticFilters(source, target, dll);
  EXPECT_EQ(ScratchDir::content(target) + "|" + ScratchDir::content(target + L".bak"), installed);
  EXPECT_THROW(installStaticFilters(dir / L"missing.dat", target, dll), VFileNotFoundException);
  EXPECT_EQ(ScratchDir::content(target) + "|" + ScratchDir::content(target + L".bak"), installed);
}

}  // namespace
