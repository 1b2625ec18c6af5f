#pragma once
// The mail manager's interfaces of the objects that provider operations hand out. The
// order of declaration is the slot order; each object ends its own life through
// release(), the mail manager never calls a destructor: release sits at the place the
// host's table gives its destroying slot (domain 14, mail name 23, mailing list 12, mail 3).

#include <string>

#include "interfaces/provider_types.h"

class MailDomain {
 public:
  virtual void name(const std::wstring& newName) = 0;  // 1
  virtual std::wstring name() = 0;
  virtual void enable(bool on) = 0;
  virtual bool isEnabled() = 0;
  virtual void quota(int bytes) = 0;  // 5
  virtual int quota() = 0;
  virtual void totalQuota(int bytes) = 0;
  virtual int totalQuota() = 0;
  virtual void bounce(const std::wstring& message) = 0;
  virtual std::wstring bounce() = 0;  // 10
  virtual void catchToEmail(const std::wstring& address) = 0;
  virtual std::wstring catchToEmail() = 0;
  virtual void mailNames(StringList& names) = 0;
  virtual void release() = 0;
  virtual void discard(bool on) = 0;  // 15
  virtual bool discard() = 0;
  virtual void reservedOperation() = 0;  // 17

 protected:
  ~MailDomain() = default;
};

class MailName {
 public:
  virtual void name(const std::wstring& newName) = 0;  // 1
  virtual std::wstring name() = 0;
  virtual void domain(const std::wstring& newDomain) = 0;
  virtual std::wstring domain() = 0;
  virtual void quota(int bytes) = 0;  // 5
  virtual int quota() = 0;
  virtual unsigned mailboxSize() = 0;
  virtual void password(const std::wstring& password) = 0;
  virtual std::wstring password() = 0;
  virtual void postbox(bool on) = 0;  // 10
  virtual bool postbox() = 0;
  virtual void forwards(StringList& addresses) = 0;
  virtual void addForward(const std::wstring& address) = 0;
  virtual void delForward(const std::wstring& address) = 0;
  virtual void unsupportedSwitch(int value) = 0;  // 15
  virtual bool unsupportedSwitch() = 0;
  virtual void aliases(StringList& aliases) = 0;
  virtual void addAlias(const std::wstring& alias) = 0;
  virtual void delAlias(const std::wstring& alias) = 0;
  virtual void attachments(StringList& paths) = 0;  // 20
  virtual void addAttachment(const std::wstring& sourcePath, const std::wstring& fileName) = 0;
  virtual void delAttachment(const std::wstring& fileName) = 0;
  virtual void release() = 0;
  virtual void unsupportedSwitch2(int value) = 0;
  virtual bool unsupportedSwitch2() = 0;  // 25
  virtual void reservedOperation() = 0;   // 26

 protected:
  ~MailName() = default;
};

class MailList {
 public:
  virtual void name(const std::wstring& newName) = 0;  // 1
  virtual std::wstring name() = 0;
  virtual void domain(const std::wstring& newDomain) = 0;
  virtual std::wstring domain() = 0;
  virtual void adminEMail(const std::wstring& address) = 0;  // 5
  virtual std::wstring adminEMail() = 0;
  virtual void enable(bool on) = 0;
  virtual bool enabled() = 0;
  virtual void members(StringList& addresses) = 0;
  virtual void addMember(const std::wstring& address) = 0;  // 10
  virtual void delMember(const std::wstring& address) = 0;
  virtual void release() = 0;
  virtual void reservedOperation() = 0;  // 13

 protected:
  ~MailList() = default;
};

class MailInfo {
 public:
  virtual int reservedOperation() = 0;  // 1
  virtual void send() = 0;              // sends, then ends the object's life
  virtual void release() = 0;

 protected:
  ~MailInfo() = default;
};
