// The mail manager's own parsing and layout; how a usage error is printed is pinned by the
// runs of mailmgr.exe.

#include <gtest/gtest.h>

#include "commands/arguments.h"
#include "framework/command_line.h"
#include "framework/help.h"
#include "framework/sizes.h"
#include "framework/table.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

using Words = std::vector<std::wstring>;

const CommandTable commands{
    {{L"domain", L"Mail domains"}, {L"server", L"The server"}},
    {{L"domain", L"create", {{L"DOMAIN", L"name"}}, {{L"limit", L"SIZE", L"limit"}, {L"force", L"", L"force"}}, L"Create", L"", nullptr},
     {L"domain", L"list", {}, {}, L"List", L"", nullptr},
     {L"server", L"supports", {{L"CODE", L"code", false, true}}, {}, L"Supports", L"", nullptr},
     {L"server", L"name", {{L"KIND", L"kind"}, {L"EXTRA", L"extra", true}}, {}, L"Name", L"", nullptr},
     {L"", L"demo", {}, {}, L"Demo", L"", nullptr}}};

ParsedLine parse(const Words& words) { return parseCommandLine(words, commands); }

TEST(CommandLine, FindsTheCommandArgumentsAndOptionsWhereverTheyStand) {
  for (const Words& words : {Words{L"domain", L"create", L"example.com", L"--limit", L"100M"},
                             Words{L"--json", L"domain", L"create", L"--limit=100M", L"example.com"},
                             Words{L"--dll", L"x.dll", L"domain", L"create", L"example.com", L"--limit", L"100M"}}) {
    const ParsedLine line = parse(words);
    ASSERT_NE(line.command, nullptr);
    EXPECT_EQ(line.command->name, L"create");
    EXPECT_EQ(line.arguments, Words{L"example.com"});
    EXPECT_EQ(line.options.at(L"limit"), L"100M");
  }
  const ParsedLine line = parse({L"domain", L"list", L"--verbose", L"--dll=C:\\a b\\p.dll", L"--json"});
  EXPECT_EQ(line.options, (decltype(line.options){{L"dll", L"C:\\a b\\p.dll"}, {L"verbose", L""}, {L"json", L""}}));
  EXPECT_EQ(parse({L"domain", L"create", L"--", L"--limit"}).arguments, Words{L"--limit"});  // the rest are arguments
  EXPECT_EQ(parse({L"server", L"supports", L"-1", L"19", L"3"}).arguments, (Words{L"-1", L"19", L"3"}));
  EXPECT_EQ(parse({L"domain", L"create", L"x", L"--limit", L"-5"}).options.at(L"limit"), L"-5");
  // Help in every form; a help request needs no arguments.
  EXPECT_TRUE(parse({L"--help"}).help && !parse({L"--help"}).group);
  EXPECT_TRUE(parse({L"domain", L"-h"}).help && parse({L"domain", L"-h"}).group && !parse({L"domain", L"-h"}).command);
  for (const Words& words : {Words{L"help", L"domain", L"create"}, Words{L"domain", L"create", L"--help"}}) {
    EXPECT_TRUE(parse(words).help && parse(words).command && parse(words).command->name == L"create");
  }
  EXPECT_EQ(parse({}).command, nullptr);
}

TEST(CommandLine, UsageProblemsNameWhatWasTypedAndTheCommand) {
  const std::pair<Words, const wchar_t*> cases[] = {
      {{L"domain", L"list", L"extra"}, L"unexpected argument 'extra'"},
      {{L"server", L"supports"}, L"missing CODE"},
      {{L"server", L"name", L"0", L"1", L"2"}, L"unexpected argument '2'"},
      {{L"domain", L"create", L"x", L"--limit"}, L"option --limit needs a value (SIZE)"},
      {{L"domain", L"create", L"x", L"--size", L"1"}, L"unknown option '--size'"},
      {{L"domain", L"list", L"-x"}, L"unknown option '-x'"},
      {{L"domain", L"create", L"x", L"--force=yes"}, L"option --force takes no value"},
      {{L"domain", L"create", L"x", L"--limit", L"1", L"--limit=2"}, L"option --limit given twice"},
  };
  for (const auto& [words, problem] : cases) {
    try {
      parse(words);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
      EXPECT_EQ(error.message, problem);
      // The usage shown with it is that of the command, else the group, as far as typed.
      EXPECT_TRUE(words[0] != L"domain" ||
                  (error.command ? error.command->group == L"domain" : error.group && error.group->name == L"domain"));
    }
  }
  EXPECT_EQ(usageLine(*findCommand(commands, L"domain", L"create")), L"mailmgr domain create DOMAIN [--limit SIZE] [--force]");
  EXPECT_EQ(usageLine(*findCommand(commands, L"server", L"supports")), L"mailmgr server supports CODE...");
  EXPECT_EQ(usageLine(*findCommand(commands, L"server", L"name")), L"mailmgr server name KIND [EXTRA]");
  EXPECT_EQ(usageLine(*findCommand(commands, L"", L"demo")), L"mailmgr demo");
}

TEST(Arguments, WholeNumbersInTheProvidersRangeAndMailAddresses) {
  EXPECT_EQ(parseInteger(L"-2147483648", L"CODE"), -2147483647 - 1);
  EXPECT_EQ(parseInteger(L"2147483647", L"CODE"), 2147483647);
  for (const wchar_t* text : {L"", L"-", L"1x", L"0x10", L"+1", L"2147483648", L"-2147483649"})
    EXPECT_THROW(parseInteger(text, L"CODE"), UsageError);
  const MailAddress address = parseAddress(L"info@example.com");
  EXPECT_EQ(address.name + L"|" + address.domain, L"info|example.com");
  for (const wchar_t* text : {L"info", L"@example.com", L"info@", L"a@b@c", L""}) EXPECT_THROW(parseAddress(text), UsageError);
}

TEST(Sizes, UnitsAre1024BasedDecimalsExactAndLimitsFitSigned32Bits) {
  const std::pair<const wchar_t*, long long> sizes[] = {
      {L"2048B", 2048}, {L"512k", 512 * 1024}, {L"100MiB", 100LL << 20}, {L"100 m", 100LL << 20},
      {L"0", 0},        {L"1.5G", 3LL << 29},  {L"1.25M", 1310720},      {L"1.0", 1}};
  for (const auto& [text, bytes] : sizes) EXPECT_EQ(parseSize(text), bytes);
  for (const wchar_t* text : {L"", L"M", L"-5M", L"10X", L"10KK", L"1e3", L"1.", L".5M", L"5 M B", L"1,5M", L" 5M",
                              L"1.5", L"0.1K", L"99999999999999999999", L"2000000T"})
    EXPECT_THROW(parseSize(text), UsageError);
  EXPECT_EQ(parseLimit(L"unlimited"), 0);
  EXPECT_EQ(parseLimit(L"2147483647"), 2147483647);
  EXPECT_THROW(parseLimit(L"2G"), UsageError);
  const std::pair<long long, const wchar_t*> shown[] = {
      {0, L"0 bytes"}, {1, L"1 byte"}, {1536LL << 10, L"1536K"}, {-1024, L"-1K"}, {1500, L"1.46K"},
      {1024 + 51, L"1.04K"}, {1025, L"1K"}, {(2LL << 30) - 1, L"1.99G"}};  // rounded down, never up a unit
  for (const auto& [bytes, text] : shown) EXPECT_EQ(formatSize(bytes), text);
}

TEST(Table, MeasuresTextAsATerminalShowsIt) {
  Table text({});
  text.add({L"bu\u0308cher", L"|"});                          // a combining mark takes no column
  text.add({L"\U0001F600\U0001F600\U0001F600x", L"|"});  // a surrogate pair is one character
  text.add({L"\u4e2d\u6587", L"|"});                        // wide characters take two columns each
  EXPECT_EQ(text.lines(), (std::vector<std::wstring>{L"bu\u0308cher  |", L"\U0001F600\U0001F600\U0001F600x    |", L"\u4e2d\u6587    |"}));
}

}  // namespace
}  // namespace mailmgr
