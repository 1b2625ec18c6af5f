#pragma once
// Owners of COM references, BSTRs and VARIANTs.

#include <windows.h>
#include <oleauto.h>
#include <unknwn.h>

#include <string>
#include <utility>

template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already holds.
  explicit ComPtr(T* p) noexcept : p_(p) {}
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~ComPtr() { reset(); }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  T** put() noexcept {
    reset();
    return &p_;
  }
  template <class U>
  HRESULT queryInterface(ComPtr<U>& out) const noexcept {
    return p_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(out.put()));
  }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() noexcept = default;
  explicit Bstr(const std::wstring& text);  // raises ComError E_OUTOFMEMORY when none can be had
  // Takes over a BSTR that a call handed to the caller.
  static Bstr adopt(BSTR owned) noexcept {
    Bstr b;
    b.b_ = owned;
    return b;
  }
  Bstr(Bstr&& other) noexcept : b_(std::exchange(other.b_, nullptr)) {}
  Bstr& operator=(Bstr&& other) noexcept {
    std::swap(b_, other.b_);
    return *this;
  }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }

  BSTR get() const noexcept { return b_; }
  BSTR* put() noexcept {
    SysFreeString(std::exchange(b_, nullptr));
    return &b_;
  }
  BSTR release() noexcept { return std::exchange(b_, nullptr); }
  // A null BSTR reads as the empty string.
  std::wstring str() const { return b_ ? std::wstring(b_, SysStringLen(b_)) : std::wstring(); }

 private:
  BSTR b_ = nullptr;
};

class Variant {
 public:
  Variant() noexcept { VariantInit(&v_); }
  explicit Variant(const std::wstring& text);
  explicit Variant(const wchar_t* text) : Variant(std::wstring(text)) {}
  static Variant ofInt(int value);    // VT_INT
  static Variant ofI4(long value);    // VT_I4
  static Variant ofBool(bool value);  // VT_BOOL
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept : Variant() { std::swap(v_, other.v_); }
  Variant& operator=(Variant other) noexcept {
    std::swap(v_, other.v_);
    return *this;
  }
  ~Variant() { VariantClear(&v_); }

  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  VARIANT* put() noexcept {
    VariantClear(&v_);
    return &v_;
  }
  VARTYPE type() const noexcept { return V_VT(&v_); }

 private:
  VARIANT v_;
};
