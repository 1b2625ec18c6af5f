// The module as the mail manager meets it: every slot of the provider and of the objects it
// hands out called by its place, against the stand-in mail server and CDO.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
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

using host::raised;
using host::Strings;
using host::WString;

template <class T>
struct Release {
  void operator()(T* object) const { KEPT(object->release()); }
};
template <class T>
using Held = std::unique_ptr<T, Release<T>>;

// Several values in one line to compare at once: bools as 1 and 0, each closed by '|'.
template <class... Values>
WString joined(const Values&... values) {
  std::wostringstream out;
  ((out << values << L'|'), ...);
  return out.str();
}

// What a listing slot gives, its leading arguments first.
template <class Object, class Lister, class... Arguments>
Strings listed(Object* object, Lister lister, const Arguments&... arguments) {
  Strings list;
  KEPT((object->*lister)(arguments..., list));
  return list;
}

class Host : public StandinTest {
 protected:
  void SetUp() override {
    const HMODULE module = LoadLibraryW(L"dravoprovider.dll");
    ASSERT_NE(module, nullptr);
    create = reinterpret_cast<host::Provider* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "getVexilorProviderInstance")));
    ASSERT_NE(create, nullptr);
    provider.reset(create());
    ASSERT_TRUE(provider);
  }
  Strings domains() { return listed(p(), &host::Provider::domains); }
  Held<host::Domain> newDomain(const WString& name, int limit = 0) {
    return Held<host::Domain>(KEPT(p()->createDomain(name, limit)));
  }
  host::Provider* p() { return provider.get(); }
  std::wstring mailbox(const std::wstring& relative) { return server.mailPath() + L"\\" + relative; }

  host::Provider* (*create)() = nullptr;
  Held<host::Provider> provider;
};

#if defined(__i386__)
}  // namespace

// The check itself: a callee that pops two arguments where the caller pushed one, out of
// the optimiser's sight (external classes, no inter-procedural analysis).
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
  EXPECT_EQ(joined(KEPT(p()->serviceName(1)), KEPT(p()->serviceName(3)), KEPT(p()->providerRevision())),
            L"DravoPOP3|dravo|1|");

  Strings list;
  const std::function<void()> refused[] = {
      [&] { KEPT(p()->allRelayBlackList(list)); }, [&] { KEPT(p()->addRelayBlackList(L"a")); },
      [&] { KEPT(p()->delRelayBlackList(L"a")); }, [&] { KEPT(p()->accountsFormat()); }};
  for (const auto& call : refused) EXPECT_EQ(raised(call).message, L"Run-Time error: Not supported");
  const std::list<CallSite> trace = raised(refused[3]).trace;
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace.front().function + ":" + std::to_string(trace.front().line), "Dravo::DravoProvider::accountsFormat:454");
  const std::pair<std::function<void()>, const wchar_t*> serviceCalls[] = {
      {[&] { KEPT(p()->isStarted(L"smtp")); }, L"QueryStatusService for service smtp"},
      {[&] { KEPT(p()->start(L"smtp", true)); }, L"Start service 'smtp'"},
      {[&] { KEPT(p()->start(L"smtp", false)); }, L"Stop service 'smtp'"}};
  for (const auto& [call, text] : serviceCalls) EXPECT_NE(raised(call).message.find(text), WString::npos) << text;
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
  KEPT(domain->bounce(L""));
  KEPT(domain->catchToEmail(L"all@one.example"));
  KEPT(domain->discard(true));
  KEPT(domain->enable(false));
  KEPT(domain->reserved());
  EXPECT_EQ(joined(KEPT(domain->quota()), KEPT(domain->totalQuota()), KEPT(domain->bounce()),
                   KEPT(domain->catchToEmail()), KEPT(domain->discard()), KEPT(domain->isEnabled())),
            L"4096|8192||all@one.example|1|0|");
  EXPECT_EQ(raised([&] { KEPT(domain->bounce(L"gone")); }).message, L"Run-Time error: Not supported");
  EXPECT_EQ(domains(), Strings{L"one.example"}) << "a disabled domain is listed under its plain name";
  Held<host::MailName>(KEPT(p()->createMailName(L"ann", L"one.example", 0)));
  Strings names{L"kept"};
  KEPT(domain->mailNames(names));
  EXPECT_EQ(names, (Strings{L"kept", L"ann"})) << "appended to what the caller holds";
  KEPT(domain->name(L"two.example"));
  EXPECT_EQ(KEPT(domain->name()), L"two.example");
  const long alive = server.control().objectsAlive();
  domain.reset();
  EXPECT_LT(server.control().objectsAlive(), alive) << "release drops the domain's server objects";

  EXPECT_EQ(KEPT(Held<host::Domain>(KEPT(p()->openDomain(L"two.example")))->name()), L"two.example");
  KEPT(p()->removeDomain(L"two.example"));
  EXPECT_EQ(domains(), Strings{});
}

TEST_F(Host, MailNamesAndListsThroughTheirTables) {
  newDomain(L"a.example");
  newDomain(L"b.example");
  Held<host::MailName> ann(KEPT(p()->createMailName(L"ann", L"a.example", 2048)));
  EXPECT_EQ(KEPT(ann->quota()), 2048);
  ScratchDir scratch;
  std::filesystem::create_directories(mailbox(L"a.example\\ann"));
  std::ofstream(mailbox(L"a.example\\ann\\1.eml").c_str(), std::ios::binary) << std::string(100, 'm');
  KEPT(ann->quota(0));
  KEPT(ann->password(L"s3cret"));
  KEPT(ann->postbox(false));
  KEPT(ann->unsupportedSwitch(1));
  KEPT(ann->unsupportedSwitch2(1));
  KEPT(ann->reserved());
  EXPECT_EQ(joined(KEPT(ann->quota()), KEPT(ann->mailboxSize()), KEPT(ann->password()), KEPT(ann->postbox()),
                   KEPT(ann->unsupportedSwitch()), KEPT(ann->unsupportedSwitch2())),
            L"-1|100|s3cret|0|0|0|");
  KEPT(ann->addForward(L"f@x.example"));
  KEPT(ann->addAlias(L"anna"));
  KEPT(ann->addAttachment(scratch.file(L"source.txt", "attached"), L"a.txt"));
  const std::wstring attachment = mailbox(L"a.example\\ann\\Attachments\\a.txt");
  EXPECT_EQ(listed(ann.get(), &host::MailName::forwards), Strings{L"f@x.example"});
  EXPECT_EQ(listed(ann.get(), &host::MailName::aliases), (Strings{L"ann", L"anna"}));
  EXPECT_EQ(listed(ann.get(), &host::MailName::attachments), Strings{attachment});
  EXPECT_EQ(ScratchDir::content(attachment), "attached");
  KEPT(ann->delForward(L"f@x.example"));
  KEPT(ann->delAlias(L"anna"));
  KEPT(ann->delAttachment(L"a.txt"));
  EXPECT_EQ(listed(ann.get(), &host::MailName::aliases), Strings{L"ann"});
  EXPECT_TRUE(listed(ann.get(), &host::MailName::forwards).empty() && !ScratchDir::exists(attachment));
  KEPT(ann->name(L"bob"));
  KEPT(ann->domain(L"b.example"));
  EXPECT_EQ(KEPT(ann->name()) + L"@" + KEPT(ann->domain()), L"bob@b.example");
  ann.reset();

  EXPECT_EQ(listed(p(), &host::Provider::mailNames, L"b.example"), Strings{L"bob"});
  EXPECT_EQ(KEPT(Held<host::MailName>(KEPT(p()->openMailName(L"bob", L"b.example")))->name()), L"bob");
  KEPT(p()->removeMailName(L"bob", L"b.example"));
  EXPECT_EQ(listed(p(), &host::Provider::mailNames, L"b.example"), Strings{});

  Held<host::MailList> list(KEPT(p()->createMailList(L"news", L"a.example", L"boss@a.example", false)));
  KEPT(list->adminEMail(L"chief@a.example"));
  KEPT(list->enable(false));
  KEPT(list->reserved());
  EXPECT_EQ(joined(KEPT(list->adminEMail()), KEPT(list->enabled())), L"chief@a.example|1|")
      << "enable is not supported and changes nothing";
  KEPT(list->addMember(L"m1@x.example"));
  KEPT(list->addMember(L"m2@x.example"));
  KEPT(list->delMember(L"m1@x.example"));
  EXPECT_EQ(listed(list.get(), &host::MailList::members), Strings{L"m2@x.example"});
  KEPT(list->name(L"letters"));
  KEPT(list->domain(L"b.example"));
  EXPECT_EQ(KEPT(list->name()) + L"@" + KEPT(list->domain()), L"letters@b.example");
  list.reset();

  EXPECT_EQ(listed(p(), &host::Provider::mailLists, L"b.example"), Strings{L"letters"});
  EXPECT_EQ(KEPT(Held<host::MailList>(KEPT(p()->openMailList(L"letters", L"b.example")))->adminEMail()),
            L"chief@a.example");
  KEPT(p()->removeMailList(L"letters", L"b.example"));
  EXPECT_EQ(listed(p(), &host::Provider::mailLists, L"b.example"), Strings{});
}

TEST_F(Host, ServerSettingsFilesAndDomainAliases) {
  newDomain(L"a.example");
  KEPT(p()->addBadMail(L"spam@x.example"));
  EXPECT_EQ(listed(p(), &host::Provider::allBadMail), Strings{L"spam@x.example"});
  KEPT(p()->delBadMail(L"spam@x.example"));
  EXPECT_EQ(listed(p(), &host::Provider::allBadMail), Strings{});
  KEPT(p()->maxLetterSize(2048));
  KEPT(p()->setRelay(2, 1, 42));
  int mode = 0, authorization = 0, value = 0;
  KEPT(p()->relay(mode, authorization, value));
  EXPECT_EQ(joined(KEPT(p()->maxLetterSize()), mode, authorization, value), L"2048|2|1|42|");
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
  KEPT(p()->setDNSServers({L"192.0.2.53", L"192.0.2.54"}));
  EXPECT_EQ(listed(p(), &host::Provider::dnsServers), Strings{L"192.0.2.53"}) << "only the first is kept";
  Strings services;
  KEPT(p()->services(services, 2));
  KEPT(p()->services(services, 1));
  EXPECT_EQ(services, (Strings{L"DravoSMTP", L"DravoPOP3", L"DravoControl"}));

  EXPECT_EQ(listed(p(), &host::Provider::mailPaths), Strings{server.mailPath()});
  Strings paths;
  KEPT(p()->domainMailPaths(L"a.example", L"unused", paths));
  EXPECT_EQ(paths, Strings{mailbox(L"a.example")});
  KEPT(p()->mailPath(L"D:\\Store"));
  EXPECT_EQ(KEPT(p()->mailPath()), L"D:\\Store\\");
  KEPT(p()->addAlias(L"a.example", L"alias.example"));
  KEPT(p()->renameAlias(L"a.example", L"alias.example", L"other.example"));
  EXPECT_EQ(listed(p(), &host::Provider::domainAliases, L"a.example"), Strings{L"other.example"});
  KEPT(p()->delAlias(L"a.example", L"other.example"));
  EXPECT_EQ(listed(p(), &host::Provider::domainAliases, L"a.example"), Strings{});

  std::ofstream((server.logPath() + L"\\Xnotes.txt").c_str()) << "not a log";
  const SYSTEMTIME from{2026, 3, 0, 1, 0, 0, 0, 0}, to{2026, 3, 0, 31, 0, 0, 0, 0};
  host::Traffic traffic{{L"a.example", {}}};
  Strings finished;
  KEPT(p()->getTrafficInfo(from, to, traffic, finished));
  EXPECT_EQ(finished, Strings{server.logPath() + L"\\Xnotes.txt"}) << "a file that is not read is finished";
  EXPECT_TRUE(traffic.at(L"a.example").empty());
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

// The message's fields are pinned by the mail object's own tests; here each slot is reached.
TEST_F(HostMail, ComposedAndForwardedMailThroughTheMailTable) {
  const Strings attachments{scratch.file(L"notes.txt", "hello")};
  host::MailInfo* mail = KEPT(p()->createMail(L"from@a.example", L"From", L"to@b.example", L"To", L"Minutes",
                                              L"Body text", &attachments, L"reply@a.example"));
  ASSERT_NE(mail, nullptr);
  EXPECT_EQ(KEPT(mail->reserved()), 0);
  KEPT(mail->send());
  const std::wstring file = scratch.file(L"stored.eml", "From: old@a.example\r\nSubject: Minutes\r\n\r\nItem\r\n");
  host::MailInfo* forwarded = KEPT(p()->forwardMail(L"new@b.example", L"New", file));
  ASSERT_NE(forwarded, nullptr);
  KEPT(forwarded->send());
  const std::vector<std::string> received = receiver.messages();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_NE(received[0].find("reply@a.example"), std::string::npos);
  EXPECT_NE(received[1].find("FW: Minutes"), std::string::npos);

  const long before = cdoStandin().objectsAlive();
  host::MailInfo* unsent = KEPT(p()->createMail(L"", L"", L"", L"", L"", L"", nullptr, L""));
  EXPECT_GT(cdoStandin().objectsAlive(), before);
  KEPT(unsent->release());
  EXPECT_EQ(cdoStandin().objectsAlive(), before) << "release drops the message";
}

}  // namespace
