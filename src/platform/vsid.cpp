#include "platform/vsid.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/exceptions.h"
#include "platform/caller_token.h"

VSID VSID::adopt(PSID allocated) {
  VSID result;
  result.sid_ = allocated;
  result.ownership_ = false;
  return result;
}

VSID::VSID(VSID&& other) noexcept
    : sid_(std::exchange(other.sid_, nullptr)), ownership_(std::exchange(other.ownership_, false)) {}

VSID& VSID::operator=(const VSID& other) {
  if (this != &other) assign(other.sid_);
  return *this;
}

VSID& VSID::operator=(VSID&& other) noexcept {
  if (this != &other) {
    clear();
    sid_ = std::exchange(other.sid_, nullptr);
    ownership_ = std::exchange(other.ownership_, false);
  }
  return *this;
}

VSID& VSID::operator=(PSID sid) {
  if (sid != sid_) assign(sid);
  return *this;
}

void VSID::assign(PSID sid) {
  clear();
  if (!sid || !IsValidSid(sid)) return;
  const DWORD length = GetLengthSid(sid);
  if (length == 0) return;
  PSID copy = std::malloc(length);
  if (!copy) throwOutOfMemory();
  CopySid(length, copy, sid);
  sid_ = copy;
  ownership_ = true;
}

void VSID::clear() noexcept {
  if (sid_) {
    if (ownership_)
      std::free(sid_);
    else
      FreeSid(sid_);
  }
  sid_ = nullptr;
  ownership_ = false;
}

VSID VSID::currentUser() {
  // Checked against the thread's own security context, so an impersonated user is found.
  const KernelHandle token = openCallerToken(TOKEN_QUERY, false, "VSID::currentUser", 227, 229);
  // A first try with a small buffer tells the size the user record needs.
  alignas(TOKEN_USER) BYTE small[8];
  DWORD needed = 0;
  if (GetTokenInformation(token.get(), TokenUser, small, sizeof small, &needed)) {
    PSID sid = nullptr;  // the record starts with the SID pointer
    std::memcpy(&sid, small, sizeof sid);
    return VSID(sid);
  }
  if (needed <= sizeof small) throwOsError(L"GetTokenInformation", GetLastError(), site("VSID::currentUser", 238));
  std::unique_ptr<void, decltype(&std::free)> buffer(std::malloc(needed), &std::free);
  if (!buffer) throwOutOfMemory();
  if (!GetTokenInformation(token.get(), TokenUser, buffer.get(), needed, &needed)) {
    throwOsError(L"GetTokenInformation", GetLastError(), site("VSID::currentUser", 241));
  }
  return VSID(static_cast<TOKEN_USER*>(buffer.get())->User.Sid);
}
