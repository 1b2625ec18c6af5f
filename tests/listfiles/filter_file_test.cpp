#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "listfiles/filter_file.h"
#include "support/raised.h"
#include "platform/scratch_dir.h"

namespace {

using namespace Dravo;

// A file read, changed and saved: the black list it reported and the bytes it saved.
struct FilterCase { const char* name; std::string content; std::function<void(DravoFilterFile&)> change; StringList listed; std::string saved; };

TEST(FilterFile, ReadsListsChangesAndSavesByteExactAndRefusesDeletingWhatIsNotListed) {
  const FilterCase cases[] = {
      {"sections decide which plain lines are black-listed",
       "spam.example\r\n1\r\nnot-listed.example\r\n2:listed.example\r\n", nullptr,
       {L"spam.example", L"listed.example"}, "spam.example\r\n1\r\nnot-listed.example\r\n2:listed.example\r\n"},
      {"rules keep their parts and a letterless rule gains H", "=bad.example\r\nS$!~offer\r\n3:B^x\r\nT&y\r\nA{z\r\n",
       nullptr, {}, "H=bad.example\r\nS$!~offer\r\n3:B^x\r\nT&y\r\nA{z\r\n"},
      {"dropped lines are missing after save", "C:\\temp\\x\r\nkept.example\r\n", nullptr, {L"kept.example"},
       "kept.example\r\n"},
      {"every line end splits, empty pieces go", "a.example\r\n\r\nb.example\rc.example\nd.example", nullptr,
       {L"a.example", L"b.example", L"c.example", L"d.example"}, "a.example\r\nb.example\r\nc.example\r\nd.example\r\n"},
      {"ANSI text round-trips", "0:caf\xE9.example\r\n", nullptr, {L"caf\u00e9.example"}, "0:caf\xE9.example\r\n"},
      {"a duplicate is listed once", "twice.example\r\n0:twice.example\r\n", nullptr, {L"twice.example"},
       "twice.example\r\n0:twice.example\r\n"},
      {"add appends only what is new", "2:present.example\r\n1\r\n",
       [](DravoFilterFile& f) { f.addRestrictedDomain(L"present.example"), f.addRestrictedDomain(L"new.example"); },
       {L"present.example", L"new.example"}, "2:present.example\r\n1\r\n0:new.example\r\n"},
      {"delete removes the first", "a.example\r\nH=rule.example\r\n2:a.example\r\n",
       [](DravoFilterFile& f) { f.delRestrictedDomain(L"a.example"); }, {L"a.example"},
       "H=rule.example\r\n2:a.example\r\n"},
      {"deleting what is no listed domain fails naming it and changes nothing", "H=rule.example\r\n2:a.example\r\n",
       [](DravoFilterFile& f) {
         for (const wchar_t* missing : {L"rule.example", L"A.EXAMPLE"}) EXPECT_NE(raised([&] { f.delRestrictedDomain(missing); }), L"<no failure>");
         EXPECT_EQ(raised([&] { f.delRestrictedDomain(L"xn--bcher-kva.example"); }),
                   L"Run-Time error: Domain not found in black list. Domain = xn--bcher-kva.example [b\u00fccher.example] @ "
                   L"Dravo::DravoFilterFile::delRestrictedDomain");
       },
       {L"a.example"}, "H=rule.example\r\n2:a.example\r\n"},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    dir.file(L"filter.dat", c.content);
    DravoFilterFile filter(dir.path() + L"\\");
    if (c.change) c.change(filter);
    StringList listed{L"earlier"}, expected{L"earlier"};  // the list is added to
    expected.insert(expected.end(), c.listed.begin(), c.listed.end());
    filter.restrictedDomains(listed);
    EXPECT_EQ(listed, expected);
    filter.save();
    EXPECT_EQ(ScratchDir::content(filter.path()), c.saved);
  }
}

TEST(FilterLineGrammar, PartsAndLevelsOfParsedLinesAndRejectedLines) {
  char section = '0';
  FilterEntry e;
  for (const std::string line : {"C:\\path\\file", "H$x", "H!$=x", "S$", "H!", "$$=x", "9:x"}) {
    EXPECT_FALSE(parseFilterLine(line, section, e)) << line;
  }
  ASSERT_TRUE(parseFilterLine("S$!~offer", section, e));
  EXPECT_EQ(std::tuple(e.kind, e.field, e.dollar, e.negate, e.op, e.value), std::tuple(1, 'S', true, true, '~', std::wstring(L"offer")));
  ASSERT_TRUE(parseFilterLine("1", section, e) && parseFilterLine("Hello", section, e));
  EXPECT_EQ(std::tuple(e.kind, e.level, e.levelInherited, e.value), std::tuple(2, '1', true, std::wstring(L"Hello")));
  ASSERT_TRUE(parseFilterLine("1:", section, e));
  EXPECT_EQ(std::tuple(e.kind, e.levelInherited), std::tuple(2, false));
}

}  // namespace
