// mailmgr.exe run as a person or a script runs it, against the module built beside it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "mailmgr/json_reader.h"
#include "mailmgr/run_mailmgr.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

TEST(MailmgrHelp, ToolGroupAndCommandHelpOnStandardOutput) {
  for (const wchar_t* form : {L"--help", L"-h", L"help"}) {
    const MailmgrRun run = runMailmgr({form});
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_THAT(run.out, HasSubstr("Usage: mailmgr <group> <command>"));
    for (const char* command : {"server info", "domain create DOMAIN", "mailname set-password ADDRESS", "demo"}) {
      EXPECT_THAT(run.out, HasSubstr(command));
    }
    EXPECT_EQ(run.err, "");
  }
  const MailmgrRun group = runMailmgr({L"domain", L"--help"});
  EXPECT_EQ(group.exitCode, 0u);
  EXPECT_THAT(group.out, StartsWith("Usage: mailmgr domain <command>"));
  EXPECT_THAT(group.out, HasSubstr("domain list"));
  EXPECT_THAT(group.out, testing::Not(HasSubstr("mailname")));

  const MailmgrRun command = runMailmgr({L"help", L"domain", L"create"});
  EXPECT_EQ(command.exitCode, 0u);
  EXPECT_THAT(command.out, StartsWith("Usage: mailmgr domain create DOMAIN [--limit SIZE]\n\nCreates a mail domain"));
  EXPECT_THAT(command.out, HasSubstr("--limit SIZE"));
  EXPECT_THAT(command.out, HasSubstr("--json"));
  EXPECT_EQ(runMailmgr({L"domain", L"create", L"-h"}).out, command.out);
}

TEST(MailmgrUsage, UnknownOrMissingCommandOrArgumentExitsTwoWithTheUsageLine) {
  const MailmgrRun run = runMailmgr({L"frob"});
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "mailmgr: unknown command 'frob'\nUsage: mailmgr <group> <command> [arguments] [options]\n"
            "Run 'mailmgr --help' for the commands.\n");
  EXPECT_THAT(runMailmgr({L"domain", L"frob"}).err,
              StartsWith("mailmgr: unknown command 'domain frob'\nUsage: mailmgr domain <command>"));
  const MailmgrRun none = runMailmgr({});
  EXPECT_EQ(none.exitCode, 2u);
  EXPECT_THAT(none.err, StartsWith("mailmgr: missing command\n"));

  const MailmgrRun group = runMailmgr({L"mailname"});
  EXPECT_EQ(group.exitCode, 2u);
  EXPECT_THAT(group.err, StartsWith("mailmgr: missing command after 'mailname'\n"));

  const MailmgrRun argument = runMailmgr({L"domain", L"create"});
  EXPECT_EQ(argument.exitCode, 2u);
  EXPECT_EQ(argument.out, "");
  EXPECT_EQ(argument.err,
            "mailmgr: missing DOMAIN\nUsage: mailmgr domain create DOMAIN [--limit SIZE]\n"
            "Run 'mailmgr domain create --help' for more.\n");
}

TEST(MailmgrUsage, BadValuesExitTwoBeforeTheModuleIsAsked) {
  struct Case {
    std::vector<std::wstring> words;
    const char* message;
  };
  const Case cases[] = {
      {{L"domain", L"create", L"example.com", L"--limit", L"10X"}, "invalid size '10X'"},
      {{L"domain", L"create", L"example.com", L"--limit", L"4G"}, "invalid size '4G': too large"},
      {{L"domain", L"create", L""}, "the domain name is empty"},
      {{L"mailname", L"create", L"info"}, "invalid mail address 'info'"},
      {{L"server", L"supports", L"1", L"two"}, "invalid CODE 'two'"},
      {{L"server", L"service-name", L"imap"}, "invalid KIND 'imap'"},
      {{L"domain", L"list", L"--dll"}, "option --dll needs a value (PATH)"},
      {{L"domain", L"list", L"--dll="}, "option --dll needs a path"},
      {{L"demo", L"--json"}, "the tour is for people; it has no JSON output"},
  };
  for (const Case& c : cases) {
    const MailmgrRun run = runMailmgr(c.words);
    EXPECT_EQ(run.exitCode, 2u) << c.message;
    EXPECT_THAT(run.err, StartsWith(std::string("mailmgr: ") + c.message)) << run.err;
    EXPECT_THAT(run.err, HasSubstr("\nUsage: mailmgr "));
    EXPECT_EQ(run.out, "");
  }
  // Non-ASCII arguments arrive intact and come back in UTF-8.
  EXPECT_THAT(runMailmgr({L"mailname", L"create", L"b\u00fccher-\u4e2d"}).err,
              StartsWith(utf8(L"mailmgr: invalid mail address 'b\u00fccher-\u4e2d'")));
}

TEST(MailmgrServer, SupportsAndAbilitiesAsTableAndJson) {
  const MailmgrRun run = runMailmgr({L"server", L"supports", L"0", L"19", L"77", L"78", L"-1"});
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.out, "CODE  SUPPORTED\n   0  yes\n  19  no\n  77  yes\n  78  no\n  -1  no\n");

  const MailmgrRun json = runMailmgr({L"--json", L"server", L"supports", L"19", L"72"});
  EXPECT_EQ(json.exitCode, 0u);
  const JsonNode rows = parseJson(json.out);
  ASSERT_EQ(rows.items.size(), 2u);
  EXPECT_EQ(rows[0][L"code"].number, 19);
  EXPECT_FALSE(rows[0][L"supported"].boolean);
  EXPECT_EQ(rows[1][L"code"].number, 72);
  EXPECT_TRUE(rows[1][L"supported"].boolean);

  const MailmgrRun abilities = runMailmgr({L"server", L"abilities"});
  EXPECT_EQ(abilities.exitCode, 0u);
  EXPECT_EQ(abilities.out, "0-18\n21-32\n34-40\n42-43\n45\n47-50\n53-54\n56\n59-67\n69-72\n74-77\n");
  EXPECT_EQ(parseJson(runMailmgr({L"server", L"abilities", L"--json"}).out)[L"supported"].items.size(), 65u);
}

TEST(MailmgrServer, ServiceNames) {
  EXPECT_EQ(runMailmgr({L"server", L"service-name", L"smtp"}).out, "DravoSMTP\n");
  EXPECT_EQ(runMailmgr({L"server", L"service-name", L"POP3"}).out, "DravoPOP3\n");
  EXPECT_EQ(runMailmgr({L"server", L"service-name", L"3"}).out, "dravo\n");
  const JsonNode json = parseJson(runMailmgr({L"--json", L"server", L"service-name", L"0"}).out);
  EXPECT_EQ(json[L"service"].string, L"DravoSMTP");

  const MailmgrRun none = runMailmgr({L"server", L"service-name", L"-1"});
  EXPECT_EQ(none.exitCode, 1u);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, "mailmgr: the provider names no service of kind -1\n");
}

TEST(MailmgrServer, InfoShowsWhatItCanAndItsExitCodeTellsWhetherAllWorked) {
  const MailmgrRun run = runMailmgr({L"--json", L"server", L"info"});
  const JsonNode info = parseJson(run.out);
  EXPECT_EQ(info[L"providerRevision"].number, 1);
  EXPECT_THAT(info[L"module"].string, testing::EndsWith(L"\\dravoprovider.dll"));
  // Without a mail server the mail store is unknown: null, a message and exit code 1.
  if (info[L"mailPath"].kind == JsonNode::Kind::null) {
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_THAT(run.err, StartsWith("mailmgr: "));
  } else {
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_THAT(info[L"mailPath"].string, testing::EndsWith(L"\\"));
  }
  const MailmgrRun text = runMailmgr({L"server", L"info"});
  EXPECT_THAT(text.out, HasSubstr("Provider revision:  1\n"));
  EXPECT_EQ(text.exitCode, run.exitCode);
}

TEST(MailmgrModule, FailingOrMissingModuleExitsOneWithItsMessage) {
  // The domain "nowhere.invalid" does not exist on any mail server, so the module raises
  // whatever stage it is at; the tool must report, not crash.
  const MailmgrRun run = runMailmgr({L"mailname", L"show", L"info@nowhere.invalid"});
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, StartsWith("mailmgr: "));
  const bool moduleMessage = run.err.find("Run-Time error: ") != std::string::npos ||
                             run.err.find("COM Error ") != std::string::npos ||
                             run.err.find(": Error ") != std::string::npos;
  EXPECT_TRUE(moduleMessage) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line without --verbose";

  const MailmgrRun verbose = runMailmgr({L"--verbose", L"mailname", L"show", L"info@nowhere.invalid"});
  EXPECT_EQ(verbose.exitCode, 1u);
  EXPECT_THAT(verbose.err, HasSubstr("\n   at "));

  // A module that cannot be loaded is a failure, not a crash.
  const MailmgrRun missing = runMailmgr({L"--dll", L"no-such-module.dll", L"server", L"info"});
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_THAT(missing.err, StartsWith("mailmgr: cannot load the module "));
  EXPECT_THAT(missing.err, HasSubstr("no-such-module.dll: Error 126"));

  const MailmgrRun notProvider = runMailmgr({L"--dll", L"C:\\windows\\system32\\kernel32.dll", L"server", L"info"});
  EXPECT_EQ(notProvider.exitCode, 1u);
  EXPECT_THAT(notProvider.err, HasSubstr("has no entry point getVexilorProviderInstance"));
}

TEST(MailmgrDemo, TourShowsItsSectionsAndCountsItsSteps) {
  const MailmgrRun run = runMailmgr({L"demo"});
  for (const char* heading : {"1. The module", "2. The mail server", "3. The mail server's Windows services",
                              "4. Optional abilities", "Tour finished: "}) {
    EXPECT_THAT(run.out, HasSubstr(heading));
  }
  EXPECT_THAT(run.out, HasSubstr("SMTP (kind 0):  DravoSMTP"));
  EXPECT_THAT(run.out, HasSubstr("Not offered:  19-20, 33, 41, 44, 46, 51-52, 55, 57-58, 68, 73, 78-99"));
  EXPECT_EQ(run.exitCode == 0, run.out.find(" 0 failed.") != std::string::npos);
}

}  // namespace
