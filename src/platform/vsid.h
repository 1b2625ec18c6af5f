#pragma once
// Owns one security identifier.

#include <windows.h>

class VSID {
 public:
  VSID() = default;
  // Copies `sid` when it is valid and not empty; otherwise stays empty.
  explicit VSID(PSID sid) { assign(sid); }
  // Takes over a SID made by AllocateAndInitializeSid.
  static VSID adopt(PSID allocated);
  // The user of the calling thread's token, or of the process token when the thread has none.
  static VSID currentUser();

  VSID(const VSID& other) { assign(other.sid_); }
  VSID(VSID&& other) noexcept;
  VSID& operator=(const VSID& other);
  VSID& operator=(VSID&& other) noexcept;
  VSID& operator=(PSID sid);
  ~VSID() { clear(); }

  PSID get() const { return sid_; }
  bool empty() const { return sid_ == nullptr; }

 private:
  void assign(PSID sid);
  void clear() noexcept;

  PSID sid_ = nullptr;
  bool ownership_ = false;  // copied into C-allocator memory, rather than made by the system
};
