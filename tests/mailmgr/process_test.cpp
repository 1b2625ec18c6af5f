// mailmgr.exe against the module built beside it, and against a module with scripted answers
// whose journal shows what the tool did with the objects and failures it was handed.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <fstream>
#include <tuple>

#include "mailmgr/run_mailmgr.h"
#include "platform/scratch_dir.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;
using Json = nlohmann::json;

TEST(Mailmgr, HelpUsageErrorsAndServerCommands) {
  EXPECT_EQ(runMailmgr({L"help"}).err, "");
  EXPECT_THAT(runMailmgr({L"-h"}).out, HasSubstr("mailname set-password ADDRESS"));
  EXPECT_EQ(runMailmgr({L"domain", L"create", L"-h"}).out, runMailmgr({L"help", L"domain", L"create"}).out);
  expectRuns({
      {{L"--help"}, "Usage: mailmgr <group> <command>"},
      {{L"domain", L"--help"}, "Usage: mailmgr domain <command>"},
      {{L"domain", L"create", L"--help"}, "Usage: mailmgr domain create DOMAIN [--limit SIZE]\n\nCreates a mail domain"},
      {{L"frob"}, "mailmgr: unknown command 'frob'\nUsage: mailmgr <group> <command> [arguments] [options]\n"
                  "Run 'mailmgr --help' for the commands.\n", 2},
      {{L"domain", L"frob"}, "mailmgr: unknown command 'domain frob'\nUsage: mailmgr domain <command>", 2},
      {{}, "mailmgr: missing command\n", 2},
      {{L"mailname"}, "mailmgr: missing command after 'mailname'\n", 2},
      {{L"domain", L"create"}, "mailmgr: missing DOMAIN\nUsage: mailmgr domain create DOMAIN [--limit SIZE]\n"
                               "Run 'mailmgr domain create --help' for more.\n", 2},
      {{L"domain", L"create", L"example.com", L"--limit", L"10X"}, "mailmgr: invalid size '10X'", 2},
      {{L"domain", L"create", L"example.com", L"--limit", L"4G"}, "mailmgr: invalid size '4G': too large", 2},
      {{L"domain", L"create", L""}, "mailmgr: the domain name is empty", 2},
      {{L"mailname", L"create", L"b\u00fccher-\u4e2d"}, utf8(L"mailmgr: invalid mail address 'b\u00fccher-\u4e2d'"), 2},
      {{L"server", L"supports", L"1", L"two"}, "mailmgr: invalid CODE 'two'", 2},
      {{L"server", L"service-name", L"imap"}, "mailmgr: invalid KIND 'imap'", 2},
      {{L"domain", L"list", L"--dll"}, "mailmgr: option --dll needs a value (PATH)", 2},
      {{L"domain", L"list", L"--dll="}, "mailmgr: option --dll needs a path", 2},
      {{L"demo", L"--json"}, "mailmgr: the tour is for people; it has no JSON output", 2},
      {{L"mail", L"send", L"--from", L"ann@example.com"}, "mailmgr: --to is required", 2},
      {{L"server", L"supports", L"0", L"19", L"-1"}, "CODE  SUPPORTED\n   0  yes\n  19  no\n  -1  no\n"},
      {{L"--json", L"server", L"supports", L"19"}, "[\n  {\n    \"code\": 19,\n    \"supported\": false\n  }\n]\n"},
      {{L"server", L"abilities"}, "0-18\n21-32\n34-40\n42-43\n45\n47-50\n53-54\n56\n59-67\n69-72\n74-77\n"},
      {{L"server", L"service-name", L"POP3"}, "DravoPOP3\n"},
      {{L"--json", L"server", L"service-name", L"0"}, "\"service\": \"DravoSMTP\""},
      {{L"server", L"service-name", L"-1"}, "mailmgr: the provider names no service of kind -1\n", 1},
      {{L"--dll", L"no-such-module.dll", L"server", L"info"}, "mailmgr: cannot load the module ", 1},
      {{L"--dll", L"C:\\windows\\system32\\kernel32.dll", L"server", L"info"}, "has no entry point getVexilorProviderInstance", 1},
  });
}

TEST(Mailmgr, ServerInfoAndTheTourTellByTheirExitCodeWhetherAllWorked) {
  const MailmgrRun run = runMailmgr({L"--json", L"server", L"info"});
  const Json info = Json::parse(run.out);
  EXPECT_EQ(info.at("providerRevision"), 1);
  EXPECT_THAT(info.at("module").get<std::string>(), testing::EndsWith("\\dravoprovider.dll"));
  // Without a mail server the mail store is unknown: null, a message and exit code 1.
  EXPECT_EQ(run.exitCode, info.at("mailPath").is_null() ? 1u : 0u);
  EXPECT_EQ(run.err.empty(), run.exitCode == 0);
  const MailmgrRun tour = runMailmgr({L"demo"});
  for (const char* text : {"1. The module", "2. The mail server", "3. The mail server's Windows services",
                           "SMTP (kind 0):  DravoSMTP", "Not offered:  19-20, 33, 41, 44, 46, 51-52, 55, 57-58, 68, 73, 78-99"})
    EXPECT_THAT(tour.out, HasSubstr(text));
  EXPECT_THAT(tour.out, testing::ContainsRegex("Tour finished: \\d+ steps, \\d+ failed\\.\n$"));
  EXPECT_EQ(tour.exitCode == 0, tour.out.find(" 0 failed.") != std::string::npos);
}

class Scripted : public testing::Test {
 protected:
  void SetUp() override { SetEnvironmentVariableW(L"MAILMGR_JOURNAL", journal_.c_str()); }  // inherited by the child
  MailmgrRun run(std::vector<std::wstring> words, const std::string& input = {}) {
    words.insert(words.begin(), dll.begin(), dll.end());
    return runMailmgr(words, input);
  }
  // The journal so far, which is then emptied.
  std::string journal() {
    const std::string text = ScratchDir::content(journal_);
    std::ofstream(journal_.c_str(), std::ios::binary | std::ios::trunc);
    return text == "<missing>" ? "" : text;
  }
  const std::vector<std::wstring> dll{L"--dll", besideTestProgram(L"scripted_provider.dll")};
  ScratchDir scratch;
  const std::wstring journal_ = scratch / L"journal.txt";
};

TEST_F(Scripted, CommandsPrintWhatTheModuleGaveAndReleaseItsObjectsBeforeTheProvider) {
  // Each run: the words, what it prints, the calls it makes before the provider is released.
  const std::tuple<std::vector<std::wstring>, std::string, std::string> cases[] = {
      {{L"domain", L"create", L"example.com", L"--limit", L"100M"}, "Created domain example.com with a mailbox limit of 100M\n",
       "createDomain example.com 104857600\nrelease domain example.com\n"},
      {{L"domain", L"create", L"b\u00fccher.example"}, utf8(L"Created domain b\u00fccher.example without a mailbox limit\n"),
       utf8(L"createDomain b\u00fccher.example 0\nrelease domain b\u00fccher.example\n")},
      {{L"domain", L"show", L"example.com"}, "Domain:         example.com\nState:          disabled\nMailbox limit:  100M\n"
       "Total limit:    1G\nUnknown users:  forwarded to all@example.com\n", "openDomain example.com\nrelease domain example.com\n"},
      {{L"mailname", L"show", L"info@example.com"}, "Address:       info@example.com\nQuota:         unlimited\n"
       "Mailbox size:  3M\nMailbox:       on (mail is kept)\nForwards:      copy@example.net\nAliases:       info, contact\n",
       "openMailName info@example.com\nrelease mail name info@example.com\n"},
      {{L"domain", L"list"}, utf8(L"example.com\nb\u00fccher.example\nodd\"name\\with\ttab\n"), "domains\n"},
  };
  for (const auto& [words, out, calls] : cases) {
    const MailmgrRun done = run(words);
    EXPECT_EQ(done.exitCode, 0u) << done.err;
    EXPECT_EQ(done.out, out);
    EXPECT_EQ(journal(), calls + "release provider\n");
  }
  const Json domain = Json::parse(run({L"--json", L"domain", L"show", L"example.com"}).out);
  EXPECT_EQ(domain, Json({{"name", "example.com"}, {"enabled", false}, {"mailboxLimit", 100 << 20}, {"totalLimit", 1 << 30},
                          {"catchAll", "all@example.com"}, {"discardUnknown", false}}));
  EXPECT_EQ(Json::parse(run({L"--json", L"mailname", L"show", L"info@example.com"}).out).at("quota"), -1);
  // JSON is plain ASCII: everything beyond it is an escape.
  const std::string listed = run({L"--json", L"domain", L"list"}).out;
  EXPECT_THAT(listed, HasSubstr(R"("b\u00fccher.example")"));
  EXPECT_EQ(Json::parse(listed).at(2).at("name"), "odd\"name\\with\ttab");
}

TEST_F(Scripted, ModuleFailuresExitOneWithTheirMessageAndRefusedCommandsTouchNothing) {
  expectRuns({{{L"domain", L"show", L"null.example"}, "mailmgr: the module had no memory for the object of null.example\n", 1},
              {{L"domain", L"remove", L"pending.example"}, "Run-Time error: Not implemented: Dravo::DravoProvider::removeDomain\n", 1},
              {{L"domain", L"remove", L"os-error.example"}, "mailmgr: Error 5 at CreateFile: ", 1},
              {{L"domain", L"remove", L"com-error.example"}, ", scripted description)", 1},
              {{L"domain", L"remove", L"std-error.example"}, "mailmgr: scripted standard failure\n", 1},
              {{L"domain", L"remove", L"int.example"}, "mailmgr: an unknown exception left the module\n", 1}},
             dll);
  EXPECT_THAT(run({L"domain", L"remove", L"com-error.example"}).err, StartsWith("mailmgr: COM Error 80004005 ("));
  const std::string calls = journal();
  EXPECT_THAT(calls, StartsWith("openDomain null.example\nrelease provider\n"));
  std::size_t releases = 0;  // the provider is released after every failure too, once per run
  for (std::size_t at = 0; (at = calls.find("release provider\n", at)) != std::string::npos; ++at) ++releases;
  EXPECT_EQ(releases, 7u);

  const MailmgrRun plain = run({L"domain", L"create", L"os-error.example"});
  EXPECT_THAT(plain.err, testing::Not(HasSubstr(" at (")));
  const MailmgrRun verbose = run({L"--verbose", L"domain", L"create", L"os-error.example"});
  EXPECT_EQ(verbose.exitCode, 1u);
  EXPECT_THAT(verbose.err, HasSubstr("\n   at (createDomain line 7)\n"));

  journal();
  expectRuns({{{L"domain", L"discard", L"example.com", L"maybe"}, "mailmgr: expected on or off, not 'maybe'", 2},
              {{L"domain", L"catch-all", L"example.com", L"a@b.c", L"--off"}, "mailmgr: give either an ADDRESS or --off", 2},
              {{L"package", L"info"}, "offers no package descriptor", 2}},
             dll);
  EXPECT_THAT(journal(), testing::Not(HasSubstr("open")));
}

TEST_F(Scripted, PasswordFromTheOptionOrStandardInputButNeverEmpty) {
  const MailmgrRun set = run({L"mailname", L"set-password", L"info@example.com"}, utf8(L"s3cr\u00e9t pass\r\nnext"));
  EXPECT_EQ(set.out, "Password of info@example.com set\n");
  EXPECT_EQ(run({L"mailname", L"set-password", L"info@example.com", L"--password", L"given"}, "typed\n").exitCode, 0u);
  EXPECT_EQ(journal(), utf8(L"openMailName info@example.com\npassword info@example.com s3cr\u00e9t pass\n"
                            L"release mail name info@example.com\nrelease provider\nopenMailName info@example.com\n"
                            L"password info@example.com given\nrelease mail name info@example.com\nrelease provider\n"));
  for (const char* input : {"", "\n", "\r\n"}) {
    const MailmgrRun refused = run({L"mailname", L"set-password", L"info@example.com"}, input);
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_THAT(refused.err, HasSubstr("\nUsage: mailmgr mailname set-password ADDRESS [--password TEXT]"));
  }
  EXPECT_EQ(journal(), "");  // the module was not even loaded
}

}  // namespace
