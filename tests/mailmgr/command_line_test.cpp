#include "framework/command_line.h"

#include <gtest/gtest.h>

#include "commands/arguments.h"
#include "commands/presentation.h"
#include "framework/help.h"
#include "framework/usage_error.h"

namespace mailmgr {
namespace {

using Words = std::vector<std::wstring>;

const CommandTable& table() {
  static const CommandTable commands = [] {
    CommandTable t;
    t.groups = {{L"domain", L"Mail domains"}, {L"server", L"The server"}};
    t.commands = {
        {L"domain", L"create", {{L"DOMAIN", L"name"}}, {{L"limit", L"SIZE", L"limit"}, {L"force", L"", L"force"}},
         L"Create", L"", nullptr},
        {L"domain", L"list", {}, {}, L"List", L"", nullptr},
        {L"server", L"supports", {{L"CODE", L"code", false, true}}, {}, L"Supports", L"", nullptr},
        {L"server", L"name", {{L"KIND", L"kind"}, {L"EXTRA", L"extra", true}}, {}, L"Name", L"", nullptr},
        {L"", L"demo", {}, {}, L"Demo", L"", nullptr},
    };
    return t;
  }();
  return commands;
}

ParsedLine parse(const Words& words) { return parseCommandLine(words, table()); }

std::wstring usageProblem(const Words& words) {
  try {
    parse(words);
  } catch (const UsageError& error) {
    return error.message;
  }
  return L"(accepted)";
}

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
  EXPECT_EQ(line.options.at(L"dll"), L"C:\\a b\\p.dll");
  EXPECT_EQ(line.options.at(L"verbose"), L"");
  EXPECT_TRUE(line.options.count(L"json"));
  EXPECT_FALSE(line.help);

  const ParsedLine dashed = parse({L"domain", L"create", L"--", L"--limit"});  // the rest are arguments
  EXPECT_EQ(dashed.arguments, Words{L"--limit"});
  EXPECT_TRUE(dashed.options.empty());
  EXPECT_EQ(parse({L"server", L"supports", L"-1", L"19"}).arguments, (Words{L"-1", L"19"}));
  EXPECT_EQ(parse({L"domain", L"create", L"x", L"--limit", L"-5"}).options.at(L"limit"), L"-5");
  EXPECT_EQ(parse({L"server", L"supports", L"1", L"2", L"3"}).arguments.size(), 3u);
  EXPECT_EQ(parse({L"server", L"name", L"0"}).arguments, Words{L"0"});
}

TEST(CommandLine, UsageProblemsNameWhatWasTyped) {
  const std::pair<Words, const wchar_t*> cases[] = {
      {{L"domain", L"create"}, L"missing DOMAIN"},
      {{L"domain", L"list", L"extra"}, L"unexpected argument 'extra'"},
      {{L"server", L"supports"}, L"missing CODE"},
      {{L"server", L"name", L"0", L"1", L"2"}, L"unexpected argument '2'"},
      {{L"domain", L"create", L"x", L"--limit"}, L"option --limit needs a value (SIZE)"},
      {{L"domain", L"create", L"x", L"--size", L"1"}, L"unknown option '--size'"},
      {{L"domain", L"list", L"--limit", L"1"}, L"unknown option '--limit'"},
      {{L"domain", L"list", L"-x"}, L"unknown option '-x'"},
      {{L"domain", L"create", L"x", L"--force=yes"}, L"option --force takes no value"},
      {{L"domain", L"create", L"x", L"--limit", L"1", L"--limit=2"}, L"option --limit given twice"},
      {{L"frob"}, L"unknown command 'frob'"},
      {{L"domain", L"frob"}, L"unknown command 'domain frob'"},
  };
  for (const auto& [words, problem] : cases) EXPECT_EQ(usageProblem(words), problem);

  try {
    parse({L"domain", L"frob"});
    FAIL();
  } catch (const UsageError& error) {
    ASSERT_NE(error.group, nullptr);
    EXPECT_EQ(error.group->name, L"domain");
  }
  try {
    parse({L"domain", L"create", L"x", L"--bad"});
    FAIL();
  } catch (const UsageError& error) {
    ASSERT_NE(error.command, nullptr);
    EXPECT_EQ(usageLine(*error.command), L"mailmgr domain create DOMAIN [--limit SIZE] [--force]");
  }
  EXPECT_EQ(usageLine(*findCommand(table(), L"server", L"supports")), L"mailmgr server supports CODE...");
  EXPECT_EQ(usageLine(*findCommand(table(), L"server", L"name")), L"mailmgr server name KIND [EXTRA]");
  EXPECT_EQ(usageLine(*findCommand(table(), L"", L"demo")), L"mailmgr demo");
}

TEST(CommandLine, HelpInEveryForm) {
  const ParsedLine tool = parse({L"--help"});
  EXPECT_TRUE(tool.help);
  EXPECT_EQ(tool.command, nullptr);
  EXPECT_EQ(tool.group, nullptr);

  const ParsedLine group = parse({L"domain", L"-h"});
  EXPECT_TRUE(group.help);
  ASSERT_NE(group.group, nullptr);
  EXPECT_EQ(group.command, nullptr);

  for (const Words& words : {Words{L"help", L"domain", L"create"}, Words{L"domain", L"create", L"--help"}}) {
    const ParsedLine line = parse(words);
    EXPECT_TRUE(line.help);
    ASSERT_NE(line.command, nullptr);
    EXPECT_EQ(line.command->name, L"create");  // and the missing DOMAIN is not an error
  }
  EXPECT_EQ(parse({L"demo"}).command->name, L"demo");
  EXPECT_EQ(parse({}).command, nullptr);
}

TEST(Arguments, WholeNumbersInTheProvidersRangeAndMailAddresses) {
  EXPECT_EQ(parseInteger(L"-1", L"CODE"), -1);
  EXPECT_EQ(parseInteger(L"2147483647", L"CODE"), 2147483647);
  EXPECT_EQ(parseInteger(L"-2147483648", L"CODE"), -2147483647 - 1);
  for (const wchar_t* text : {L"", L"-", L"1x", L"0x10", L"+1", L"2147483648", L"-2147483649", L"99999999999999"}) {
    EXPECT_THROW(parseInteger(text, L"CODE"), UsageError);
  }
  const MailAddress address = parseAddress(L"info@example.com");
  EXPECT_EQ(address.name, L"info");
  EXPECT_EQ(address.domain, L"example.com");
  for (const wchar_t* text : {L"info", L"@example.com", L"info@", L"a@b@c", L""}) {
    EXPECT_THROW(parseAddress(text), UsageError);
  }
}

TEST(Presentation, NumberRuns) {
  EXPECT_EQ(numberRuns({0, 1, 2, 5, 7, 8}), (Words{L"0-2", L"5", L"7-8"}));
  EXPECT_EQ(numberRuns({}), Words{});
}

}  // namespace
}  // namespace mailmgr
