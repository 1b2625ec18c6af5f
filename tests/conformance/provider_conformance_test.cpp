// The module as the mail manager meets it: loaded by file name, the provider taken from
// its export, every slot of the provider and of the objects it hands out called by its
// place in tables declared here, against the stand-in mail server and CDO.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "conformance/host_storage.h"
#include "conformance/host_tables.h"
#include "platform/scratch_dir.h"
#include "support/cdo_standin.h"
#include "support/scratch_key.h"
#include "support/smtp_receiver.h"
#include "support/standin_server.h"

namespace {

using host::Strings;
using host::WString;

template <class T>
struct Release {
  void operator()(T* object) const { KEPT(object->release()); }
};
template <class T>
using Held = std::unique_ptr<T, Release<T>>;

template <class Call>
vexception raised(Call&& call) {
  try {
    call();
  } catch (const vexception& e) {
    return e;
  }
  return {L"<returned>", {}};
}

template <class Object, class Lister>
Strings listed(Object* object, Lister lister, Strings list = {}) {
  KEPT((object->*lister)(list));
  return list;
}

class Host : public StandinTest {
 protected:
  void SetUp() override {
    const HMODULE module = LoadLibraryW(L"dravoprovider.dll");
    ASSERT_NE(module, nullptr);
    const auto create = reinterpret_cast<host::Provider* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "getVexilorProviderInstance")));
    ASSERT_NE(create, nullptr);
    provider.reset(create());
    ASSERT_TRUE(provider);
  }
  Strings domains() { return listed(p(), &host::Provider::domains); }
  Strings of(void (host::Provider::*lister)(const WString&, Strings&), const WString& domain) {
    Strings list;
    KEPT((p()->*lister)(domain, list));
    return list;
  }
  Held<host::Domain> newDomain(const WString& name, int limit = 0) {
    return Held<host::Domain>(KEPT(p()->createDomain(name, limit)));
  }
  host::Provider* p() { return provider.get(); }
  std::wstring mailbox(const std::wstring& relative) { return server.mailPath() + L"\\" + relative; }

  Held<host::Provider> provider;
};


#if defined(__i386__)
}  // namespace

// The check itself: a callee that pops two arguments where the caller pushed one. Out of
// the optimiser's sight (external classes, no inter-procedural analysis), which would
// otherwise resolve the mismatched call.
struct TwoArguments {
  virtual void take(int, int) {}
};
struct OneArgument {
  virtual void take(int) = 0;
};
__attribute__((noipa)) OneArgument* seenAsOneArgument(TwoArguments& real) {
  return reinterpret_cast<OneArgument*>(&real);
}
__attribute__((noipa)) std::intptr_t driftOfMismatchedCall(OneArgument* object) {
  const std::uintptr_t before = STACK_POINTER();
  object->take(1);
  return static_cast<std::intptr_t>(STACK_POINTER() - before);
}
namespace {
TEST(StackCheck, SeesACalleeThatPopsMoreThanWasPushed) {
  TwoArguments real;
  EXPECT_EQ(driftOfMismatchedCall(seenAsOneArgument(real)), 4);
}
#endif

TEST_F(Host, AnswersWithoutTheServer) {
  PrivateMachineKey isolated;
  ScratchKey key{L"SOFTWARE\\Brandix\\Dravo Mail Server"};
  WString name = L"caller's", version;
  EXPECT_FALSE(KEPT(p()->productInfo(name, version)));
  EXPECT_EQ(name, L"caller's");
  key.setText(L"Version", L"7.6.%BUILD%", REG_EXPAND_SZ);
  EXPECT_TRUE(KEPT(p()->productInfo(name, version)));
  EXPECT_EQ(name + L" " + version, L"Dravo Mail Server 7.6.%BUILD%") << "an expandable value is taken as stored";

  const std::set<int> unsupported = {19, 20, 33, 41, 44, 46, 51, 52, 55, 57, 58, 68, 73};
  for (int code = -2; code <= 80; ++code)
    EXPECT_EQ(KEPT(p()->isSupported(code)), code >= 0 && code <= 77 && !unsupported.count(code)) << code;
  EXPECT_EQ(KEPT(p()->serviceName(1)), L"DravoPOP3");
  EXPECT_EQ(KEPT(p()->serviceName(3)), L"dravo");
  EXPECT_EQ(KEPT(p()->providerRevision()), 1);

  Strings list;
  const struct {
    vexception failure;
    const char* function;
    std::uint32_t line;
  } notSupported[] = {
      {raised([&] { KEPT(p()->allRelayBlackList(list)); }), "Dravo::DravoProvider::allRelayBlackList", 406},
      {raised([&] { KEPT(p()->addRelayBlackList(L"a")); }), "Dravo::DravoProvider::addRelayBlackList", 411},
      {raised([&] { KEPT(p()->delRelayBlackList(L"a")); }), "Dravo::DravoProvider::delRelayBlackList", 416},
      {raised([&] { KEPT(p()->accountsFormat()); }), "Dravo::DravoProvider::accountsFormat", 454},
  };
  for (const auto& [failure, function, line] : notSupported) {
    EXPECT_EQ(failure.message, L"Run-Time error: Not supported") << function;
    ASSERT_EQ(failure.trace.size(), 1u) << function;
    EXPECT_EQ(failure.trace.front().function + ":" + std::to_string(failure.trace.front().line),
              function + (":" + std::to_string(line)));
  }
  EXPECT_NE(raised([&] { KEPT(p()->isStarted(L"smtp")); }).message.find(L"QueryStatusService for service smtp"),
            WString::npos);
  EXPECT_NE(raised([&] { KEPT(p()->start(L"smtp", true)); }).message.find(L"Start service 'smtp'"), WString::npos);
  EXPECT_NE(raised([&] { KEPT(p()->start(L"smtp", false)); }).message.find(L"Stop service 'smtp'"), WString::npos);

  const auto create = reinterpret_cast<host::Provider* (*)()>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"dravoprovider.dll"), "getVexilorProviderInstance")));
  host::Provider* other = create();
  ASSERT_NE(other, p());
  KEPT(other->release());
  EXPECT_EQ(KEPT(p()->providerRevision()), 1) << "releasing one provider leaves another working";
}

TEST_F(Host, DomainsThroughTheDomainTable) {
  Held<host::Domain> domain = newDomain(L"one.example", 2048);
  EXPECT_EQ(KEPT(domain->quota()), 2048);
  KEPT(domain->quota(4096));
  KEPT(domain->totalQuota(8192));
  EXPECT_EQ(KEPT(domain->quota()) + KEPT(domain->totalQuota()), 4096 + 8192);
  KEPT(domain->bounce(L""));
  EXPECT_EQ(raised([&] { KEPT(domain->bounce(L"gone")); }).message, L"Run-Time error: Not supported");
  EXPECT_EQ(KEPT(domain->bounce()), L"");
  KEPT(domain->catchToEmail(L"all@one.example"));
  EXPECT_EQ(KEPT(domain->catchToEmail()), L"all@one.example");
  KEPT(domain->discard(true));
  EXPECT_TRUE(KEPT(domain->discard()));
  KEPT(domain->enable(false));
  EXPECT_FALSE(KEPT(domain->isEnabled()));
  EXPECT_EQ(domains(), Strings{L"one.example"}) << "a disabled domain is listed under its plain name";
  KEPT(domain->enable(true));
  EXPECT_TRUE(KEPT(domain->isEnabled()));
  Held<host::MailName>(KEPT(p()->createMailName(L"ann", L"one.example", 0)));
  EXPECT_EQ(listed(domain.get(), &host::Domain::mailNames, {L"kept"}), (Strings{L"kept", L"ann"}));
  KEPT(domain->name(L"two.example"));
  EXPECT_EQ(KEPT(domain->name()), L"two.example");
  KEPT(domain->reserved());
  const long alive = server.control().objectsAlive();
  domain.reset();
  EXPECT_LT(server.control().objectsAlive(), alive) << "release drops the domain's server objects";

  EXPECT_EQ(KEPT(Held<host::Domain>(KEPT(p()->openDomain(L"two.example")))->name()), L"two.example");
  EXPECT_EQ(domains(), Strings{L"two.example"});
  KEPT(p()->removeDomain(L"two.example"));
  EXPECT_EQ(domains(), Strings{});
}

TEST_F(Host, MailNamesThroughTheMailNameTable) {
  newDomain(L"a.example");
  newDomain(L"b.example");
  Held<host::MailName> ann(KEPT(p()->createMailName(L"ann", L"a.example", 2048)));
  EXPECT_EQ(KEPT(ann->quota()), 2048);
  KEPT(ann->quota(0));
  EXPECT_EQ(KEPT(ann->quota()), -1);
  EXPECT_EQ(KEPT(ann->name()) + L"@" + KEPT(ann->domain()), L"ann@a.example");
  ScratchDir scratch;
  std::filesystem::create_directories(mailbox(L"a.example\\ann"));
  const std::wstring stored = mailbox(L"a.example\\ann\\1.eml");
  std::ofstream(stored.c_str(), std::ios::binary) << std::string(100, 'm');
  EXPECT_EQ(KEPT(ann->mailboxSize()), 100u);
  KEPT(ann->password(L"s3cret"));
  EXPECT_EQ(KEPT(ann->password()), L"s3cret");
  KEPT(ann->postbox(false));
  EXPECT_FALSE(KEPT(ann->postbox()));
  KEPT(ann->postbox(true));
  EXPECT_TRUE(KEPT(ann->postbox()));
  KEPT(ann->addForward(L"f@x.example"));
  EXPECT_EQ(listed(ann.get(), &host::MailName::forwards), Strings{L"f@x.example"});
  KEPT(ann->delForward(L"f@x.example"));
  EXPECT_EQ(listed(ann.get(), &host::MailName::forwards), Strings{});
  KEPT(ann->addAlias(L"anna"));
  EXPECT_EQ(listed(ann.get(), &host::MailName::aliases), (Strings{L"ann", L"anna"}));
  KEPT(ann->delAlias(L"anna"));
  EXPECT_EQ(listed(ann.get(), &host::MailName::aliases), Strings{L"ann"});
  KEPT(ann->addAttachment(scratch.file(L"source.txt", "attached"), L"a.txt"));
  const std::wstring attachment = mailbox(L"a.example\\ann\\Attachments\\a.txt");
  EXPECT_EQ(listed(ann.get(), &host::MailName::attachments), Strings{attachment});
  EXPECT_EQ(ScratchDir::content(attachment), "attached");
  KEPT(ann->delAttachment(L"a.txt"));
  EXPECT_FALSE(ScratchDir::exists(attachment));
  KEPT(ann->unsupportedSwitch(1));
  KEPT(ann->unsupportedSwitch2(1));
  EXPECT_FALSE(KEPT(ann->unsupportedSwitch()) || KEPT(ann->unsupportedSwitch2()));
  KEPT(ann->reserved());
  KEPT(ann->name(L"bob"));
  KEPT(ann->domain(L"b.example"));
  EXPECT_EQ(KEPT(ann->name()) + L"@" + KEPT(ann->domain()), L"bob@b.example");
  ann.reset();

  EXPECT_EQ(of(&host::Provider::mailNames, L"b.example"), Strings{L"bob"});
  EXPECT_EQ(KEPT(Held<host::MailName>(KEPT(p()->openMailName(L"bob", L"b.example")))->name()), L"bob");
  KEPT(p()->removeMailName(L"bob", L"b.example"));
  EXPECT_EQ(of(&host::Provider::mailNames, L"b.example"), Strings{});
}

TEST_F(Host, MailListsThroughTheMailListTable) {
  newDomain(L"a.example");
  newDomain(L"b.example");
  Held<host::MailList> list(KEPT(p()->createMailList(L"news", L"a.example", L"boss@a.example", false)));
  EXPECT_EQ(KEPT(list->adminEMail()), L"boss@a.example");
  KEPT(list->adminEMail(L"chief@a.example"));
  EXPECT_EQ(KEPT(list->adminEMail()), L"chief@a.example");
  KEPT(list->enable(false));
  EXPECT_TRUE(KEPT(list->enabled())) << "enable is not supported and changes nothing";
  KEPT(list->addMember(L"m1@x.example"));
  KEPT(list->addMember(L"m2@x.example"));
  KEPT(list->delMember(L"m1@x.example"));
  EXPECT_EQ(listed(list.get(), &host::MailList::members), Strings{L"m2@x.example"});
  KEPT(list->name(L"letters"));
  KEPT(list->domain(L"b.example"));
  EXPECT_EQ(KEPT(list->name()) + L"@" + KEPT(list->domain()), L"letters@b.example");
  KEPT(list->reserved());
  list.reset();

  EXPECT_EQ(of(&host::Provider::mailLists, L"b.example"), Strings{L"letters"});
  EXPECT_EQ(KEPT(Held<host::MailList>(KEPT(p()->openMailList(L"letters", L"b.example")))->adminEMail()),
            L"chief@a.example");
  KEPT(p()->removeMailList(L"letters", L"b.example"));
  EXPECT_EQ(of(&host::Provider::mailLists, L"b.example"), Strings{});
}

TEST_F(Host, ServerSettingsAndFiles) {
  KEPT(p()->addBadMail(L"spam@x.example"));
  EXPECT_EQ(listed(p(), &host::Provider::allBadMail), Strings{L"spam@x.example"});
  KEPT(p()->delBadMail(L"spam@x.example"));
  EXPECT_EQ(listed(p(), &host::Provider::allBadMail), Strings{});
  KEPT(p()->maxLetterSize(2048));
  EXPECT_EQ(KEPT(p()->maxLetterSize()), 2048);
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_Exchange_MaxDataSize, i4:2048)"), 1u);
  KEPT(p()->setRelay(2, 1, 42));
  int mode = 0, authorization = 0, value = 0;
  KEPT(p()->relay(mode, authorization, value));
  EXPECT_EQ(std::to_string(mode) + std::to_string(authorization) + std::to_string(value), "2142");
  KEPT(p()->addRelayIP(L"192.0.2.0", 24));
  host::RelayPairs pairs{{L"kept", 1}};
  KEPT(p()->allRelayIPs(pairs));
  EXPECT_EQ(pairs, (host::RelayPairs{{L"kept", 1}, {L"192.0.2.0", 24}}));
  KEPT(p()->delRelayIP(L"192.0.2.0", 24));
  pairs.clear();
  KEPT(p()->allRelayIPs(pairs));
  EXPECT_EQ(pairs, host::RelayPairs{});
  KEPT(p()->setMapsProtection({L"rbl.example"}));
  EXPECT_EQ(listed(p(), &host::Provider::mapsServers), Strings{L"rbl.example"});
  EXPECT_EQ(listed(p(), &host::Provider::dnsServers, {L"kept"}), Strings{L"kept"}) << "no server set: nothing";
  KEPT(p()->setDNSServers({L"192.0.2.53", L"192.0.2.54", L"192.0.2.55"}));
  EXPECT_EQ(server.count(L"API.SetProperty(C_Config_System_DNSServer, 192.0.2.53)"), 1u) << "only the first";
  EXPECT_EQ(listed(p(), &host::Provider::dnsServers), Strings{L"192.0.2.53"});
  KEPT(p()->setDNSServers({}));
  EXPECT_EQ(listed(p(), &host::Provider::dnsServers), Strings{L""}) << "an empty value is appended as one item";
  Strings services;
  KEPT(p()->services(services, 2));
  KEPT(p()->services(services, 1));
  EXPECT_EQ(services, (Strings{L"DravoSMTP", L"DravoPOP3", L"DravoControl"}));

  EXPECT_EQ(KEPT(p()->mailPath()), server.mailPath() + L"\\");
  EXPECT_EQ(listed(p(), &host::Provider::mailPaths), Strings{server.mailPath()});
  Strings paths;
  KEPT(p()->domainMailPaths(L"a.example", L"unused", paths));
  EXPECT_EQ(paths, Strings{mailbox(L"a.example")});
  KEPT(p()->mailPath(L"D:\\Store"));
  EXPECT_EQ(KEPT(p()->mailPath()), L"D:\\Store\\");
  KEPT(p()->mailPath(L""));
  EXPECT_EQ(KEPT(p()->mailPath()), L"\\");

  std::ofstream((server.logPath() + L"\\Xnotes.txt").c_str()) << "not a log";
  const SYSTEMTIME from{2026, 3, 0, 1, 0, 0, 0, 0}, to{2026, 3, 0, 31, 0, 0, 0, 0};
  host::Traffic traffic{{L"a.example", {}}};
  Strings finished;
  KEPT(p()->getTrafficInfo(from, to, traffic, finished));
  EXPECT_EQ(finished, Strings{server.logPath() + L"\\Xnotes.txt"}) << "a file that is not read is finished";
  EXPECT_TRUE(traffic.at(L"a.example").empty());
}

TEST_F(Host, DomainAliases) {
  newDomain(L"a.example");
  KEPT(p()->addAlias(L"a.example", L"alias.example"));
  EXPECT_EQ(of(&host::Provider::domainAliases, L"a.example"), Strings{L"alias.example"});
  KEPT(p()->renameAlias(L"a.example", L"alias.example", L"other.example"));
  EXPECT_EQ(of(&host::Provider::domainAliases, L"a.example"), Strings{L"other.example"});
  KEPT(p()->delAlias(L"a.example", L"other.example"));
  EXPECT_EQ(of(&host::Provider::domainAliases, L"a.example"), Strings{});
}

TEST_F(Host, ArchiveSlotsUseTheHostsStorageInItsOrder) {
  newDomain(L"a.example");
  Held<host::MailName> ann(KEPT(p()->createMailName(L"ann", L"a.example", 0)));
  ScratchDir scratch;
  std::filesystem::create_directories(mailbox(L"a.example\\ann"));
  KEPT(ann->addAttachment(scratch.file(L"a.txt", "attached"), L"a.txt"));
  Held<host::MailList> list(KEPT(p()->createMailList(L"news", L"a.example", L"boss@a.example", false)));
  KEPT(list->addMember(L"m1@x.example"));

  host::Log log;
  host::LogWriter mail(log, L"mail"), maillist(log, L"maillist");
  KEPT(p()->dumpMailBox(mail, L"a.example", L"ann"));
  KEPT(p()->dumpMailList(maillist, L"a.example", L"news"));
  const std::wstring box = mailbox(L"a.example\\ann");
  EXPECT_EQ(log, (host::Log{L"mail: set Version=1.0", L"mail: set Server=Dravo",
                            L"mail: directory mail ann@a.example " + box + L" -Attachments",
                            L"mail: directory attachments ann@a.example " + box + L"\\Attachments",
                            L"maillist: set Version=1.0", L"maillist: set Server=Dravo",
                            L"maillist: set adminEmail=boss@a.example", L"maillist: create listmember",
                            L"listmember: set email=m1@x.example", L"maillist: append listmember",
                            L"listmember: destroy"}));

  log.clear();
  const host::Element stored{L"maillist",
                             {{L"Version", L"1.0"}, {L"Server", L"Dravo"}, {L"adminEmail", L"new@a.example"}},
                             {{L"listmember", {{L"email", L"r1@x.example"}}, {}},
                              {L"listmember", {{L"email", L"r2@x.example"}}, {}}}};
  host::TreeReader reader(log, stored);
  KEPT(p()->restoreMailList(reader, L"a.example", L"news"));
  EXPECT_EQ(listed(list.get(), &host::MailList::members), (Strings{L"r1@x.example", L"r2@x.example"}));
  EXPECT_EQ(KEPT(list->adminEMail()), L"new@a.example");
  EXPECT_EQ(log, (host::Log{L"maillist: get Server", L"maillist: get Version", L"maillist: get adminEmail",
                            L"maillist: first listmember", L"listmember: get email", L"maillist: next",
                            L"listmember: destroy", L"listmember: get email", L"maillist: next",
                            L"listmember: destroy"}));

  log.clear();
  const host::Element boxElement{L"mail", {{L"Server", L"Dravo"}}, {}};
  host::TreeReader boxReader(log, boxElement);
  KEPT(p()->restoreMailBox(boxReader, L"a.example", L"ann"));
  EXPECT_EQ(log, (host::Log{L"mail: get Version", L"mail: get Server",
                            L"mail: directory mail ann@a.example " + box,
                            L"mail: directory attachments ann@a.example " + box + L"\\Attachments"}));
}

class HostMail : public Host {
 protected:
  ScratchDir scratch;  // first: the receiver's directory of the same name empties it
  SmtpReceiver receiver;
  void SetUp() override {
    Host::SetUp();
    cdoStandin().redirectPort(25, receiver.port());
  }
};

TEST_F(HostMail, ComposedAndForwardedMailThroughTheMailTable) {
  const Strings attachments{scratch.file(L"notes.txt", "hello")};
  host::MailInfo* mail = KEPT(p()->createMail(L"from@a.example", L"From", L"to@b.example", L"To", L"Minutes",
                                              L"Body text", &attachments, L"reply@a.example"));
  ASSERT_NE(mail, nullptr);
  EXPECT_EQ(KEPT(mail->reserved()), 0);
  const std::wstring journal = cdoStandin().journal();
  for (const wchar_t* expected : {L".From=\"From\" <from@a.example>", L".To=\"To\" <to@b.example>",
                                  L".ReplyTo=reply@a.example", L".Subject=Minutes", L".TextBody=Body text",
                                  L"notes.txt"})
    EXPECT_NE(journal.find(expected), std::wstring::npos) << testing::PrintToString(std::wstring(expected));
  KEPT(mail->send());
  ASSERT_EQ(receiver.messages().size(), 1u);

  const std::wstring file = scratch.file(L"stored.eml",
                                         "From: \"Old\" <old@a.example>\r\nTo: \"Keeper\" <keeper@a.example>\r\n"
                                         "Subject: Minutes\r\n\r\nItem one\r\n");
  host::MailInfo* forwarded = KEPT(p()->forwardMail(L"new@b.example", L"New", file));
  ASSERT_NE(forwarded, nullptr);
  KEPT(forwarded->send());
  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_NE(received[1].find("FW: Minutes"), std::string::npos);
  EXPECT_NE(received[1].find("new@b.example"), std::string::npos);

  const long before = cdoStandin().objectsAlive();
  host::MailInfo* unsent = KEPT(p()->createMail(L"", L"", L"", L"", L"", L"", nullptr, L""));
  EXPECT_GT(cdoStandin().objectsAlive(), before);
  KEPT(unsent->release());
  EXPECT_EQ(cdoStandin().objectsAlive(), before) << "release drops the message";
}

}  // namespace
