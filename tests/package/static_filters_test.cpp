// The static filter template: its variables filled in, and its installation with a backup
// of the file it replaces.

#include "package/static_filters.h"

#include <gtest/gtest.h>

#include "platform/exceptions.h"
#include "platform/scratch_dir.h"

namespace {

const TemplateVariables dll{{L"filter-dll-path", L"C:\\Panel\\admin\\bin\\dravomailfilter.dll"}};

TEST(StaticFilterTemplate, FillsOnlyKnownPlaceholders) {
  const struct {
    const wchar_t* text;
    const wchar_t* filled;
  } cases[] = {
      {L"no placeholders at all\r\n", L"no placeholders at all\r\n"},
      {L"Library=<filter-dll-path>", L"Library=C:\\Panel\\admin\\bin\\dravomailfilter.dll"},
      {L"<filter-dll-path>;<filter-dll-path>",
       L"C:\\Panel\\admin\\bin\\dravomailfilter.dll;C:\\Panel\\admin\\bin\\dravomailfilter.dll"},
      {L"<other> and <FILTER-DLL-PATH> stay", L"<other> and <FILTER-DLL-PATH> stay"},
      // The first "<" pairs with the ">" of the placeholder; the next "<" is tried after it.
      {L"a < b <filter-dll-path>", L"a < b C:\\Panel\\admin\\bin\\dravomailfilter.dll"},
      {L"<x><filter-dll-path> <unclosed", L"<x>C:\\Panel\\admin\\bin\\dravomailfilter.dll <unclosed"},
      {L"tail <filter-dll-path", L"tail <filter-dll-path"},
      {L"", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "template " << testing::PrintToString(std::wstring(c.text)));
    EXPECT_EQ(fillTemplate(c.text, dll), c.filled);
  }
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
