#pragma once
// The tables a host of the module sees, declared from their slot order and argument lists
// alone: wide strings by constant reference, out values by reference, string lists as lists
// of wide strings, bool one byte, int 32 bits. Nothing here comes from the module.

#include <windows.h>

#include <array>
#include <cstring>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <utility>

#include <gtest/gtest.h>

// The failures the module throws, as the host catches them: a value type without virtual
// operations, caught by its name.
struct CallSite {
  std::wstring source;
  std::string function;
  std::uint32_t line = 0;
};
class vexception {
 public:
  std::wstring message;
  std::list<CallSite> trace;
};

namespace host {

using WString = std::wstring;
using Strings = std::list<std::wstring>;
using RelayPairs = std::list<std::pair<std::wstring, int>>;  // address, prefix length
struct TimeLess {  // only the layout matters to the host
  bool operator()(const SYSTEMTIME& a, const SYSTEMTIME& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};
using Traffic = std::map<WString, std::map<SYSTEMTIME, std::array<std::uint64_t, 6>, TimeLess>>;

class Domain {
 public:
  virtual void name(const WString& newName) = 0;  // 1
  virtual WString name() = 0;
  virtual void enable(bool on) = 0;
  virtual bool isEnabled() = 0;
  virtual void quota(int bytes) = 0;  // 5
  virtual int quota() = 0;
  virtual void totalQuota(int bytes) = 0;
  virtual int totalQuota() = 0;
  virtual void bounce(const WString& text) = 0;
  virtual WString bounce() = 0;  // 10
  virtual void catchToEmail(const WString& address) = 0;
  virtual WString catchToEmail() = 0;
  virtual void mailNames(Strings& names) = 0;
  virtual void release() = 0;
  virtual void discard(bool on) = 0;  // 15
  virtual bool discard() = 0;
  virtual void reserved() = 0;
};

class MailName {
 public:
  virtual void name(const WString& newName) = 0;  // 1
  virtual WString name() = 0;
  virtual void domain(const WString& newDomain) = 0;
  virtual WString domain() = 0;
  virtual void quota(int bytes) = 0;  // 5
  virtual int quota() = 0;
  virtual unsigned mailboxSize() = 0;
  virtual void password(const WString& password) = 0;
  virtual WString password() = 0;
  virtual void postbox(bool on) = 0;  // 10
  virtual bool postbox() = 0;
  virtual void forwards(Strings& addresses) = 0;
  virtual void addForward(const WString& address) = 0;
  virtual void delForward(const WString& address) = 0;
  virtual void unsupportedSwitch(int value) = 0;  // 15
  virtual bool unsupportedSwitch() = 0;
  virtual void aliases(Strings& aliases) = 0;
  virtual void addAlias(const WString& alias) = 0;
  virtual void delAlias(const WString& alias) = 0;
  virtual void attachments(Strings& paths) = 0;  // 20
  virtual void addAttachment(const WString& sourcePath, const WString& fileName) = 0;
  virtual void delAttachment(const WString& fileName) = 0;
  virtual void release() = 0;
  virtual void unsupportedSwitch2(int value) = 0;
  virtual bool unsupportedSwitch2() = 0;  // 25
  virtual void reserved() = 0;
};

class MailList {
 public:
  virtual void name(const WString& newName) = 0;  // 1
  virtual WString name() = 0;
  virtual void domain(const WString& newDomain) = 0;
  virtual WString domain() = 0;
  virtual void adminEMail(const WString& address) = 0;  // 5
  virtual WString adminEMail() = 0;
  virtual void enable(bool on) = 0;
  virtual bool enabled() = 0;
  virtual void members(Strings& addresses) = 0;
  virtual void addMember(const WString& address) = 0;  // 10
  virtual void delMember(const WString& address) = 0;
  virtual void release() = 0;  // the list's destroying slot, taking no argument as release does
  virtual void reserved() = 0;
};

class MailInfo {
 public:
  virtual int reserved() = 0;  // 1
  virtual void send() = 0;
  virtual void release() = 0;
};

// The archive storage, both forms implemented by the host.
class StorageWriter {
 public:
  virtual void setAttribute(const WString& name, const WString& value) = 0;
  virtual void appendChild(StorageWriter& child) = 0;
  virtual void putFile(const WString& arcname, const WString& path) = 0;
  virtual void putDirectory(const WString& arcname, const WString& path, const Strings& exclusions) = 0;
  virtual void putDirectory(const WString& arcname, const WString& path) = 0;
  virtual StorageWriter* createChild(const WString& tagName) = 0;
  virtual void destroy() = 0;
};

class StorageReader {
 public:
  virtual WString getAttribute(const WString& name) = 0;
  virtual StorageReader* firstChild(const WString& tagName) = 0;
  virtual StorageReader* nextChild() = 0;
  virtual void getDirectory(const WString& arcname, const WString& path) = 0;
  virtual void destroy() = 0;
};

class Provider {
 public:
  virtual bool productInfo(WString& name, WString& version) = 0;  // 0
  virtual bool isSupported(int code) = 0;
  virtual WString serviceName(int kind) = 0;
  virtual MailName* createMailName(const WString& name, const WString& domain, int quota) = 0;
  virtual MailName* openMailName(const WString& name, const WString& domain) = 0;
  virtual void removeMailName(const WString& name, const WString& domain) = 0;  // 5
  virtual void mailNames(const WString& domain, Strings& names) = 0;
  virtual MailList* createMailList(const WString& name, const WString& domain, const WString& admin, bool notify) = 0;
  virtual MailList* openMailList(const WString& name, const WString& domain) = 0;
  virtual void removeMailList(const WString& name, const WString& domain) = 0;
  virtual void mailLists(const WString& domain, Strings& names) = 0;  // 10
  virtual Domain* createDomain(const WString& name, int limit) = 0;
  virtual Domain* openDomain(const WString& name) = 0;
  virtual void removeDomain(const WString& name) = 0;
  virtual void domains(Strings& names) = 0;
  virtual void allBadMail(Strings& addresses) = 0;  // 15
  virtual void addBadMail(const WString& address) = 0;
  virtual void delBadMail(const WString& address) = 0;
  virtual void maxLetterSize(int size) = 0;
  virtual int maxLetterSize() = 0;
  virtual void setRelay(int mode, int authorization, int value) = 0;  // 20
  virtual void relay(int& mode, int& authorization, int& value) = 0;
  virtual void allRelayIPs(RelayPairs& addresses) = 0;
  virtual void addRelayIP(const WString& address, int mask) = 0;
  virtual void delRelayIP(const WString& address, int mask) = 0;
  virtual void allRelayBlackList(Strings& addresses) = 0;  // 25
  virtual void addRelayBlackList(const WString& address) = 0;
  virtual void delRelayBlackList(const WString& address) = 0;
  virtual void mapsServers(Strings& servers) = 0;
  virtual void setMapsProtection(const Strings& servers) = 0;
  virtual void accountsFormat() = 0;  // 30
  virtual int providerRevision() = 0;
  virtual bool isStarted(const WString& service) = 0;
  virtual void start(const WString& service, bool start) = 0;
  virtual void release() = 0;
  virtual MailInfo* createMail(const WString& fromAddress, const WString& fromName, const WString& toAddress,
                               const WString& toName, const WString& subject, const WString& body,
                               const Strings* attachments, const WString& replyTo) = 0;  // 35
  virtual MailInfo* forwardMail(const WString& newAddress, const WString& newName, const WString& fileName) = 0;
  virtual void getTrafficInfo(const SYSTEMTIME& from, const SYSTEMTIME& to, Traffic& traffic, Strings& finished) = 0;
  virtual void domainMailPaths(const WString& domain, const WString& mailName, Strings& paths) = 0;
  virtual void mailPaths(Strings& paths) = 0;
  virtual void dumpMailBox(StorageWriter& storage, const WString& domain, const WString& name) = 0;  // 40
  virtual void dumpMailList(StorageWriter& storage, const WString& domain, const WString& name) = 0;
  virtual void restoreMailBox(StorageReader& storage, const WString& domain, const WString& name) = 0;
  virtual void restoreMailList(StorageReader& storage, const WString& domain, const WString& name) = 0;
  virtual void services(Strings& names, unsigned char flags) = 0;
  virtual void addAlias(const WString& domain, const WString& alias) = 0;  // 45
  virtual void delAlias(const WString& domain, const WString& alias) = 0;
  virtual void renameAlias(const WString& domain, const WString& oldAlias, const WString& newAlias) = 0;
  virtual void domainAliases(const WString& domain, Strings& aliases) = 0;
  virtual void dnsServers(Strings& servers) = 0;
  virtual void setDNSServers(const Strings& servers) = 0;  // 50
  virtual void mailPath(const WString& path) = 0;
  virtual WString mailPath() = 0;
  virtual void removeAllDomains() = 0;
};

class Package {
 public:
  virtual std::string GetName() = 0;  // 0
  virtual WString GetDescription() = 0;
  virtual WString GetVersion() = 0;
  virtual void deletingDestructor(unsigned flags) = 0;
  virtual void Configure(bool enable) = 0;
  virtual void Update() = 0;  // 5
  virtual void SaveSettings() = 0;
  virtual WString GetProperty(const WString& name) = 0;
  virtual bool SetProperties(const std::map<WString, WString>& properties) = 0;
  virtual bool IsPropertySupported(const WString& name) = 0;
  virtual bool IsAvailable() = 0;  // 10
  virtual WString GetStatus() = 0;
};

// KEPT(call) is the call's result, once it is checked that the call left the caller's
// stack pointer where it was: on i686 a callee that pops a different number of argument
// bytes than the caller pushed moves it. The program is built with outgoing arguments
// stored, not pushed, so the stack pointer is constant across a call that keeps it.
struct NoResult {};
template <class T>
T operator,(T&& value, NoResult) {
  return std::forward<T>(value);
}
inline void stackKept(std::uintptr_t before, std::uintptr_t after, const char* call) {
  EXPECT_EQ(static_cast<std::intptr_t>(after - before), 0) << "stack pointer moved by " << call;
}

// The failure a call raised, as the host catches it; "<returned>" when it raised none.
template <class Call>
vexception raised(Call&& call) {
  try {
    call();
  } catch (const vexception& e) {
    return e;
  }
  return {L"<returned>", {}};
}

}  // namespace host

#if defined(__i386__)
#define STACK_POINTER() ({ std::uintptr_t sp_; asm volatile("mov %%esp, %0" : "=r"(sp_)::"memory"); sp_; })
#else
#define STACK_POINTER() std::uintptr_t{0}
#endif
#define KEPT(call)                                                                                      \
  ({ const std::uintptr_t before_ = STACK_POINTER(); auto result_ = ((call), host::NoResult{});         \
     host::stackKept(before_, STACK_POINTER(), #call); result_; })
