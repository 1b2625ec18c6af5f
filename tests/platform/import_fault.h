#pragma once
// Breaks one imported function of this program while it lives (import_patch.h: only the
// calls made by the code linked into the program). Every call is counted; `instead` sees the
// arguments and either gives the result to return in place of the call or lets it through.
// The state is per signature: one ImportFault of a signature at a time.

#include <windows.h>

#include <functional>
#include <optional>

#include "platform/import_patch.h"

template <class R, class... A>
class ImportFault {
 public:
  using Instead = std::function<std::optional<R>(A...)>;
  ImportFault(const char* dll, const char* function, Instead instead) : dll_(dll), function_(function) {
    calls_ = 0;
    instead_ = std::move(instead);
    real_ = reinterpret_cast<Real>(patchImport(dll, function, reinterpret_cast<void*>(&fake)));
  }
  ~ImportFault() {
    if (real_) patchImport(dll_, function_, reinterpret_cast<void*>(real_));
    instead_ = nullptr;
  }
  ImportFault(const ImportFault&) = delete;
  ImportFault& operator=(const ImportFault&) = delete;

  static int calls() { return calls_; }
  static R real(A... args) { return real_(args...); }

  // The nth call from now (counted from 1) fails with `failure` and the last error `code`;
  // so does every later call for which `also` says yes.
  static Instead failNth(int nth, R failure, DWORD code, std::function<bool(A...)> also = nullptr) {
    return [nth, failure, code, also](A... args) -> std::optional<R> {
      if (calls_ != nth && !(also && calls_ > nth && also(args...))) return std::nullopt;
      SetLastError(code);
      return failure;
    };
  }

 private:
  using Real = R(WINAPI*)(A...);
  static R WINAPI fake(A... args) {
    ++calls_;
    if (instead_) {
      if (std::optional<R> result = instead_(args...)) return *result;
    }
    return real_(args...);
  }
  const char* dll_;
  const char* function_;
  static inline int calls_ = 0;
  static inline Instead instead_;
  static inline Real real_ = nullptr;
};

using WriteFault = ImportFault<BOOL, HANDLE, const void*, DWORD, DWORD*, OVERLAPPED*>;

// Writes to files on disk that come up short: with `fail`, half of the bytes are written and
// the write fails as on a full disk; without, all but the last byte are written and the
// shorter count is reported as a success. Writes to pipes pass.
inline WriteFault::Instead shortWrites(bool fail) {
  return [fail](HANDLE file, const void* bytes, DWORD count, DWORD* done, OVERLAPPED* overlapped) -> std::optional<BOOL> {
    if (GetFileType(file) != FILE_TYPE_DISK) return std::nullopt;
    const BOOL written = WriteFault::real(file, bytes, fail ? count / 2 : count - (count > 0), done, overlapped);
    if (!fail) return written;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  };
}
