#pragma once
// One owner template for every kind of Windows handle: a kind is a traits struct naming
// the handle type, its empty value and how to close it. Closing keeps the thread's last
// error as it was, so a close between a failed call and the reading of its error code
// never changes the code reported.

#include <windows.h>

#include <utility>

template <class Traits>
class Owner {
 public:
  using handle_type = typename Traits::type;

  Owner() noexcept : handle_(Traits::empty()) {}
  explicit Owner(handle_type handle) noexcept : handle_(handle) {}
  Owner(Owner&& other) noexcept : handle_(other.release()) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  ~Owner() { reset(); }

  handle_type get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::empty(); }
  handle_type release() noexcept { return std::exchange(handle_, Traits::empty()); }
  void reset(handle_type handle = Traits::empty()) noexcept {
    if (handle_ != Traits::empty()) {
      const DWORD lastError = GetLastError();
      Traits::close(handle_);
      SetLastError(lastError);
    }
    handle_ = handle;
  }
  // For out-parameters of creating calls: closes what is held and exposes the slot.
  handle_type* put() noexcept {
    reset();
    return &handle_;
  }

 private:
  handle_type handle_;
};

struct KernelHandleTraits {
  using type = HANDLE;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { CloseHandle(h); }
};
// Handles from CreateFile and CreateNamedPipe use INVALID_HANDLE_VALUE for "none".
struct FileHandleTraits {
  using type = HANDLE;
  static type empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { CloseHandle(h); }
};
struct FindHandleTraits {
  using type = HANDLE;
  static type empty() noexcept { return INVALID_HANDLE_VALUE; }
  static void close(type h) noexcept { FindClose(h); }
};
struct RegKeyTraits {
  using type = HKEY;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { RegCloseKey(h); }
};
struct ServiceHandleTraits {
  using type = SC_HANDLE;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { CloseServiceHandle(h); }
};
// A service-database lock from LockServiceDatabase.
struct ServiceLockTraits {
  using type = SC_LOCK;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { UnlockServiceDatabase(h); }
};
struct EventSourceTraits {
  using type = HANDLE;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { DeregisterEventSource(h); }
};
struct LibraryTraits {
  using type = HMODULE;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { FreeLibrary(h); }
};
struct LocalMemoryTraits {
  using type = HLOCAL;
  static type empty() noexcept { return nullptr; }
  static void close(type h) noexcept { LocalFree(h); }
};

using KernelHandle = Owner<KernelHandleTraits>;
using FileHandle = Owner<FileHandleTraits>;
using FindHandle = Owner<FindHandleTraits>;
using RegKey = Owner<RegKeyTraits>;
using ServiceHandle = Owner<ServiceHandleTraits>;
using ServiceLock = Owner<ServiceLockTraits>;
using EventSource = Owner<EventSourceTraits>;
using Library = Owner<LibraryTraits>;
using LocalMemory = Owner<LocalMemoryTraits>;
