#include <gtest/gtest.h>

#include "listfiles/filter_file.h"
#include "platform/exceptions.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;

class FilterFile : public ::testing::Test {
 protected:
  DravoFilterFile load(const std::string& content) {
    dir.file(L"filter.dat", content);
    return DravoFilterFile(dir.path() + L"\\");
  }
  std::string saved(DravoFilterFile& filter) {
    filter.save();
    return ScratchDir::content(filter.path());
  }
  StringList blackList(const DravoFilterFile& filter) {
    StringList list;
    filter.restrictedDomains(list);
    return list;
  }
  ScratchDir dir;
};

FilterEntry parsed(const std::string& line, bool& ok) {
  char section = '0';
  FilterEntry entry;
  ok = parseFilterLine(line, section, entry);
  return entry;
}

TEST_F(FilterFile, SectionsDecideWhichPlainLinesAreBlackListed) {
  const std::string text = "spam.example\r\n1\r\nnot-listed.example\r\n2:listed.example\r\n";
  DravoFilterFile filter = load(text);
  EXPECT_EQ(blackList(filter), (StringList{L"spam.example", L"listed.example"}));
  ASSERT_EQ(filter.entries.size(), 4u);
  EXPECT_EQ(filter.entries[2].level, '1');
  EXPECT_TRUE(filter.entries[2].levelInherited);
  EXPECT_EQ(saved(filter), text);
}

TEST_F(FilterFile, RulesKeepTheirPartsAndALetterlessRuleGainsH) {
  DravoFilterFile filter = load("=bad.example\r\nS$!~offer\r\n3:B^x\r\nT&y\r\nA{z\r\n");
  EXPECT_TRUE(blackList(filter).empty());
  ASSERT_EQ(filter.entries.size(), 5u);
  const FilterEntry& rule = filter.entries[1];
  EXPECT_EQ(rule.kind, 1);
  EXPECT_EQ(rule.field, 'S');
  EXPECT_TRUE(rule.dollar);
  EXPECT_TRUE(rule.negate);
  EXPECT_EQ(rule.op, '~');
  EXPECT_EQ(rule.value, L"offer");
  EXPECT_EQ(saved(filter), "H=bad.example\r\nS$!~offer\r\n3:B^x\r\nT&y\r\nA{z\r\n");
}

TEST(FilterLineGrammar, UnparsableLinesAreRejected) {
  for (const std::string line : {"C:\\path\\file", "H$x", "H!$=x", "S$", "H!", "$$=x", "9:x"}) {
    bool ok = true;
    parsed(line, ok);
    EXPECT_FALSE(ok) << line;
  }
  bool ok = false;
  const FilterEntry plain = parsed("Hello", ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(plain.kind, 2);
  EXPECT_EQ(plain.value, L"Hello");
  const FilterEntry emptyValue = parsed("1:", ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(emptyValue.kind, 2);
  EXPECT_FALSE(emptyValue.levelInherited);
}

TEST_F(FilterFile, DroppedLinesAreMissingAfterSave) {
  DravoFilterFile filter = load("C:\\temp\\x\r\nkept.example\r\n");
  EXPECT_EQ(saved(filter), "kept.example\r\n");
}

TEST_F(FilterFile, RestrictedDomainsReportsADuplicateOnce) {
  DravoFilterFile filter = load("twice.example\r\n0:twice.example\r\n");
  StringList list{L"earlier"};
  filter.restrictedDomains(list);
  EXPECT_EQ(list, (StringList{L"earlier", L"twice.example"}));
}

TEST_F(FilterFile, AddRestrictedDomainAppendsOnlyWhatIsNew) {
  DravoFilterFile filter = load("2:present.example\r\n1\r\n");
  filter.addRestrictedDomain(L"present.example");
  EXPECT_EQ(filter.entries.size(), 2u);
  filter.addRestrictedDomain(L"new.example");
  EXPECT_EQ(saved(filter), "2:present.example\r\n1\r\n0:new.example\r\n");
}

TEST_F(FilterFile, DelRestrictedDomainRemovesTheFirstAndFailsForRulesAndCase) {
  DravoFilterFile filter = load("a.example\r\nH=rule.example\r\n2:a.example\r\n");
  filter.delRestrictedDomain(L"a.example");
  EXPECT_EQ(saved(filter), "H=rule.example\r\n2:a.example\r\n");
  for (const std::wstring missing : {L"rule.example", L"A.EXAMPLE"}) {
    try {
      filter.delRestrictedDomain(missing);
      ADD_FAILURE() << "no failure";
    } catch (const vexception& e) {
      EXPECT_NE(fullText(e).find(L"Run-Time error: Domain not found in black list. Domain = " + missing + L" ["),
                std::wstring::npos)
          << fullText(e);
      EXPECT_NE(fullText(e).find(L"Dravo::DravoFilterFile::delRestrictedDomain"), std::wstring::npos);
    }
  }
  EXPECT_EQ(filter.entries.size(), 2u);
}

TEST_F(FilterFile, DelRestrictedDomainShowsTheUnicodeForm) {
  DravoFilterFile filter = load("x.example\r\n");
  try {
    filter.delRestrictedDomain(L"xn--bcher-kva.example");
    ADD_FAILURE() << "no failure";
  } catch (const vexception& e) {
    EXPECT_NE(fullText(e).find(L"xn--bcher-kva.example [b\u00fccher.example]"), std::wstring::npos) << fullText(e);
  }
}

}  // namespace
