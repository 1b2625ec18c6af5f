// mailmgr.exe against a module with scripted answers (scripted_provider.cpp): what it does
// with the objects and failures a module hands out, watched through the module's journal.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "mailmgr/json_reader.h"
#include "mailmgr/run_mailmgr.h"

namespace {

using testing::HasSubstr;
using testing::StartsWith;

class ScriptedProvider : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t directory[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, directory);
    ASSERT_NE(GetTempFileNameW(directory, L"mmj", 0, file), 0u);
    journalPath_ = file;
    // The child inherits the variable; each test case runs in a process of its own.
    SetEnvironmentVariableW(L"MAILMGR_JOURNAL", journalPath_.c_str());
  }
  void TearDown() override { DeleteFileW(journalPath_.c_str()); }

  MailmgrRun run(std::vector<std::wstring> words, const std::string& input = {}) {
    words.insert(words.begin(), {L"--dll", besideTestProgram(L"scripted_provider.dll")});
    return runMailmgr(words, input);
  }
  std::string journal() const {
    std::ifstream in(std::filesystem::path(journalPath_), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::wstring journalPath_;
};

TEST_F(ScriptedProvider, CreatedDomainIsReleasedBeforeTheProvider) {
  const MailmgrRun created = run({L"domain", L"create", L"example.com", L"--limit", L"100M"});
  EXPECT_EQ(created.exitCode, 0u) << created.err;
  EXPECT_EQ(created.out, "Created domain example.com with a mailbox limit of 100M\n");
  EXPECT_EQ(journal(), "createDomain example.com 104857600\nrelease domain example.com\nrelease provider\n");

  // Non-ASCII names reach the module unchanged.
  const MailmgrRun other = run({L"domain", L"create", L"b\u00fccher.example"});
  EXPECT_EQ(other.out, utf8(L"Created domain b\u00fccher.example without a mailbox limit\n"));
  EXPECT_THAT(journal(), HasSubstr(utf8(L"createDomain b\u00fccher.example 0\n")));
}

TEST_F(ScriptedProvider, ShownAndListedDomainsKeepEveryCharacterAndReleaseTheObject) {
  const MailmgrRun shown = run({L"domain", L"show", L"example.com"});
  EXPECT_EQ(shown.exitCode, 0u) << shown.err;
  EXPECT_EQ(shown.out,
            "Domain:         example.com\n"
            "State:          disabled\n"
            "Mailbox limit:  100M\n"
            "Total limit:    1G\n"
            "Unknown users:  forwarded to all@example.com\n");
  EXPECT_EQ(journal(), "openDomain example.com\nrelease domain example.com\nrelease provider\n");

  const JsonNode json = parseJson(run({L"--json", L"domain", L"show", L"example.com"}).out);
  EXPECT_EQ(json[L"mailboxLimit"].number, 100 << 20);
  EXPECT_FALSE(json[L"enabled"].boolean);
  EXPECT_EQ(json[L"catchAll"].string, L"all@example.com");

  // The domain list keeps every character of the names.
  const MailmgrRun text = run({L"domain", L"list"});
  EXPECT_EQ(text.exitCode, 0u);
  EXPECT_EQ(text.out, utf8(L"example.com\nxn--bcher-kva.example\nb\u00fccher.example\nodd\"name\\with\ttab\n"));

  const JsonNode names = parseJson(run({L"--json", L"domain", L"list"}).out);
  ASSERT_EQ(names.items.size(), 4u);
  EXPECT_EQ(names[2][L"name"].string, L"b\u00fccher.example");
  EXPECT_EQ(names[3][L"name"].string, L"odd\"name\\with\ttab");
}

TEST_F(ScriptedProvider, NullObjectsAndEveryKindOfModuleFailureExitOneWithTheirMessage) {
  const MailmgrRun run1 = run({L"domain", L"show", L"null.example"});
  EXPECT_EQ(run1.exitCode, 1u);
  EXPECT_EQ(run1.err, "mailmgr: the module had no memory for the object of null.example\n");
  EXPECT_EQ(journal(), "openDomain null.example\nrelease provider\n");

  struct Case {
    const wchar_t* domain;
    const char* message;
  };
  const Case cases[] = {
      {L"pending.example", "mailmgr: Run-Time error: Not implemented: Dravo::DravoProvider::removeDomain\n"},
      {L"os-error.example", "mailmgr: Error 5 at CreateFile: "},
      {L"com-error.example", "mailmgr: COM Error 80004005 ("},
      {L"std-error.example", "mailmgr: scripted standard failure\n"},
      {L"int.example", "mailmgr: an unknown exception left the module\n"},
  };
  for (const Case& c : cases) {
    const MailmgrRun failed = run({L"domain", L"remove", c.domain});
    EXPECT_EQ(failed.exitCode, 1u) << c.message;
    EXPECT_THAT(failed.err, StartsWith(c.message));
    EXPECT_EQ(failed.out, "");
  }
  EXPECT_THAT(run({L"domain", L"remove", L"com-error.example"}).err, HasSubstr(", scripted description)"));
  // The provider is released after every failure too, once per run.
  const std::string lines = journal();
  std::size_t releases = 0;
  for (std::size_t at = 0; (at = lines.find("release provider\n", at)) != std::string::npos; ++at) ++releases;
  EXPECT_EQ(releases, std::size(cases) + 2);
}

TEST_F(ScriptedProvider, VerboseShowsTheTraceOfTheModulesException) {
  const MailmgrRun plain = run({L"domain", L"create", L"os-error.example"});
  EXPECT_EQ(plain.exitCode, 1u);
  EXPECT_THAT(plain.err, testing::Not(HasSubstr(" at (")));
  const MailmgrRun verbose = run({L"--verbose", L"domain", L"create", L"os-error.example"});
  EXPECT_EQ(verbose.exitCode, 1u);
  EXPECT_THAT(verbose.err, HasSubstr("\n   at (createDomain line 7)\n"));
}

TEST_F(ScriptedProvider, PasswordFromStandardInputOrTheOption) {
  const MailmgrRun set = run({L"mailname", L"set-password", L"info@example.com"}, utf8(L"s3cr\u00e9t pass\r\nnext"));
  EXPECT_EQ(set.exitCode, 0u) << set.err;
  EXPECT_EQ(set.out, "Password of info@example.com set\n");
  EXPECT_EQ(journal(), utf8(L"openMailName info@example.com\npassword info@example.com s3cr\u00e9t pass\n"
                            L"release mail name info@example.com\nrelease provider\n"));
  // The option wins over standard input.
  EXPECT_EQ(run({L"mailname", L"set-password", L"info@example.com", L"--password", L"given"}, "typed\n").exitCode, 0u);
  EXPECT_THAT(journal(), HasSubstr("password info@example.com given\n"));
}

TEST_F(ScriptedProvider, MissingOrEmptyPasswordTouchesNothing) {
  for (const char* input : {"", "\n", "\r\n"}) {
    const MailmgrRun refused = run({L"mailname", L"set-password", L"info@example.com"}, input);
    EXPECT_EQ(refused.exitCode, 2u);
    EXPECT_THAT(refused.err, StartsWith("mailmgr: "));
    EXPECT_THAT(refused.err, HasSubstr("Usage: mailmgr mailname set-password ADDRESS [--password TEXT]"));
  }
  EXPECT_EQ(journal(), "");  // the module was not even loaded
}

TEST_F(ScriptedProvider, MailNameShowListAndCreateWithAQuota) {
  const MailmgrRun shown = run({L"mailname", L"show", L"info@example.com"});
  EXPECT_EQ(shown.exitCode, 0u) << shown.err;
  EXPECT_EQ(shown.out,
            "Address:       info@example.com\n"
            "Quota:         unlimited\n"
            "Mailbox size:  3M\n"
            "Mailbox:       on (mail is kept)\n"
            "Forwards:      copy@example.net\n"
            "Aliases:       info, contact\n");
  EXPECT_EQ(journal(), "openMailName info@example.com\nrelease mail name info@example.com\nrelease provider\n");

  const JsonNode json = parseJson(run({L"--json", L"mailname", L"show", L"info@example.com"}).out);
  EXPECT_EQ(json[L"quota"].number, -1);
  EXPECT_EQ(json[L"aliases"].items.size(), 2u);

  EXPECT_EQ(run({L"mailname", L"list", L"example.com"}).out, "info@example.com\nsales@example.com\n");

  const MailmgrRun created = run({L"mailname", L"create", L"info@example.com", L"--quota", L"1.5G"});
  EXPECT_EQ(created.exitCode, 0u) << created.err;
  EXPECT_EQ(created.out, "Created mail name info@example.com with a quota of 1536M\n");
  EXPECT_THAT(journal(), HasSubstr("createMailName info@example.com 1610612736\n"));
}

TEST_F(ScriptedProvider, ServerInfoAndTheTourOfWhatTheScriptServes) {
  const MailmgrRun info = run({L"server", L"info"});
  EXPECT_EQ(info.exitCode, 0u) << info.err;
  EXPECT_THAT(info.out, StartsWith("Product:            Dravo Mail Server\n"
                                   "Version:            9.8.7\n"
                                   "Provider revision:  1\n"
                                   "Mail store:         C:\\Scripted\\mail\\\n"));
  EXPECT_EQ(run({L"domain", L"mail-paths", L"example.com"}).out, "C:\\Scripted\\mail\\example.com\n");

  // The script serves the sections up to the mailing lists and the services; the others
  // reach the panel's service, the machine's mail server or a second entry point that this
  // module lacks, so their steps may fail here.
  const MailmgrRun tour = run({L"demo"});
  const std::string& out = tour.out;
  const auto archive = out.find(". The mail archive\n");
  const auto services = out.find(". Starting and stopping the services\n");
  const auto settings = out.find(". Server-wide settings\n");
  ASSERT_TRUE(archive != std::string::npos && services > archive && settings != std::string::npos &&
              settings > services)
      << out;
  EXPECT_EQ(out.substr(0, archive).find("FAILED"), std::string::npos) << out;
  EXPECT_EQ(out.substr(services, settings - services).find("FAILED"), std::string::npos) << out;
  EXPECT_EQ(tour.exitCode, out.find("FAILED") == std::string::npos ? 0u : 1u);
  EXPECT_THAT(tour.out, HasSubstr("Mail paths:  C:\\Scripted\\mail\n"));
  EXPECT_THAT(tour.out, HasSubstr(utf8(L"example.com; xn--bcher-kva.example; b\u00fccher.example")));
  EXPECT_THAT(tour.out, HasSubstr("Mail directories of example.com:      C:\\Scripted\\mail\\example.com\n"));
  EXPECT_THAT(tour.out, testing::ContainsRegex("Tour finished: \\d+ steps, \\d+ failed\\.\n$"));
  std::size_t failed = 0;
  for (auto at = out.find("FAILED"); at != std::string::npos; at = out.find("FAILED", at + 1)) ++failed;
  EXPECT_EQ(tour.err, failed ? "mailmgr: " + std::to_string(failed) + " step(s) of the tour failed\n" : "");
}

}  // namespace
