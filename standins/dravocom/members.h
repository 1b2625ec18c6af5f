#pragma once
// The members each kind of automation object answers, as a type library would describe them:
// name, identifier, call kind, argument types and result type.

#include <windows.h>
#include <oaidl.h>

#include <string>

enum class ObjectKind { api, domain, account };

enum class CallKind { method, get };

// What a successful call returns; a failed call returns the same type, empty or false.
enum class ResultKind { none, boolean, integer, text, value, object };

enum MemberId : DISPID {
  idLastErr = 1,
  idGetProperty,
  idSetProperty,
  idSave,
  idOpenDomain,
  idNewDomain,
  idDeleteDomain,
  idRenameDomain,
  idGetDomainList,
  idUpdateConfiguration,
  idDone,
  idInit,
  idName,
  idOpenAccount,
  idNewAccount,
  idDeleteAccount,
  idGetAccountList,
  idDelete,
};

struct Member {
  const wchar_t* name;
  MemberId id;
  CallKind call;
  const char* arguments;  // one letter per argument in written order: S a string, V any kept value
  ResultKind result;
};

// Looks a member up by name without regard to case, or by identifier; null when unknown.
const Member* findMember(ObjectKind kind, const std::wstring& name);
const Member* findMember(ObjectKind kind, DISPID id);

const wchar_t* journalName(ObjectKind kind);  // "API", "Domain", "Account"
const wchar_t* sourceName(ObjectKind kind);   // "DravoCOM.APIObject" and so on, for error information
