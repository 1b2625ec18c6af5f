#include "members.h"

#include <span>

#include "text.h"

namespace {

constexpr Member apiMembers[] = {
    {L"OpenDomain", idOpenDomain, CallKind::method, "S", ResultKind::object},
    {L"NewDomain", idNewDomain, CallKind::method, "S", ResultKind::object},
    {L"DeleteDomain", idDeleteDomain, CallKind::method, "S", ResultKind::boolean},
    {L"RenameDomain", idRenameDomain, CallKind::method, "SS", ResultKind::boolean},
    {L"GetDomainList", idGetDomainList, CallKind::method, "", ResultKind::text},
    {L"GetProperty", idGetProperty, CallKind::method, "S", ResultKind::value},
    {L"SetProperty", idSetProperty, CallKind::method, "SV", ResultKind::boolean},
    {L"Save", idSave, CallKind::method, "", ResultKind::boolean},
    {L"LastErr", idLastErr, CallKind::get, "", ResultKind::integer},
    {L"UpdateConfiguration", idUpdateConfiguration, CallKind::method, "", ResultKind::none},
    {L"Done", idDone, CallKind::method, "", ResultKind::none},
    {L"Init", idInit, CallKind::method, "S", ResultKind::boolean},
};

constexpr Member domainMembers[] = {
    {L"Name", idName, CallKind::get, "", ResultKind::text},
    {L"OpenAccount", idOpenAccount, CallKind::method, "S", ResultKind::object},
    {L"NewAccount", idNewAccount, CallKind::method, "S", ResultKind::object},
    {L"DeleteAccount", idDeleteAccount, CallKind::method, "S", ResultKind::boolean},
    {L"GetAccountList", idGetAccountList, CallKind::method, "", ResultKind::text},
    {L"GetProperty", idGetProperty, CallKind::method, "S", ResultKind::value},
    {L"SetProperty", idSetProperty, CallKind::method, "SV", ResultKind::boolean},
    {L"Save", idSave, CallKind::method, "", ResultKind::boolean},
    {L"LastErr", idLastErr, CallKind::get, "", ResultKind::integer},
};

constexpr Member accountMembers[] = {
    {L"GetProperty", idGetProperty, CallKind::method, "S", ResultKind::value},
    {L"SetProperty", idSetProperty, CallKind::method, "SV", ResultKind::boolean},
    {L"Save", idSave, CallKind::method, "", ResultKind::boolean},
    {L"Delete", idDelete, CallKind::method, "", ResultKind::boolean},
    {L"LastErr", idLastErr, CallKind::get, "", ResultKind::integer},
};

std::span<const Member> membersOf(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::api: return apiMembers;
    case ObjectKind::domain: return domainMembers;
    default: return accountMembers;
  }
}

}  // namespace

const Member* findMember(ObjectKind kind, const std::wstring& name) {
  for (const auto& member : membersOf(kind)) {
    if (sameNoCase(member.name, name)) return &member;
  }
  return nullptr;
}

const Member* findMember(ObjectKind kind, DISPID id) {
  for (const auto& member : membersOf(kind)) {
    if (member.id == id) return &member;
  }
  return nullptr;
}

const wchar_t* journalName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::api: return L"API";
    case ObjectKind::domain: return L"Domain";
    default: return L"Account";
  }
}

const wchar_t* sourceName(ObjectKind kind) {
  switch (kind) {
    case ObjectKind::api: return L"DravoCOM.APIObject";
    case ObjectKind::domain: return L"DravoCOM.DomainObject";
    default: return L"DravoCOM.AccountObject";
  }
}
