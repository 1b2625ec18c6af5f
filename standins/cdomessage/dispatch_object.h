#pragma once
// IDispatch over a table of named members, for the objects of the "CDO.Message" stand-in:
// reference counting, name look-up without regard to case, the journal of property writes
// and method calls, and injected faults (comkit's harness).

#include <windows.h>
#include <oaidl.h>

#include <atomic>
#include <string>
#include <vector>

enum class Access { get, put, getPut, method };

struct MemberSpec {
  const wchar_t* name;
  Access access;
};

class DispatchObject : public IDispatch {
 public:
  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

  // A failure of a member with its COM error code and description.
  struct Failure {
    HRESULT code;
    std::wstring description;
  };

 protected:
  // kind names the object in the journal ("Message", "Field"); members are indexed from 1 as DISPIDs.
  DispatchObject(const wchar_t* kind, std::vector<MemberSpec> members);
  virtual ~DispatchObject();

  // A property read (arguments: the indexes such as Item(n)); result is uninitialised.
  virtual void get(const std::wstring& member, const std::vector<VARIANT>& arguments, VARIANT* result) = 0;
  virtual void put(const std::wstring& member, const VARIANT& value);
  virtual void call(const std::wstring& member, const std::vector<VARIANT>& arguments, VARIANT* result);
  // How the object names itself in the journal, after its kind and number ("Field#4(sendusing)").
  virtual std::wstring journalSuffix() const { return {}; }

 private:
  std::wstring journalName() const;

  std::wstring kind_;
  std::vector<MemberSpec> members_;
  long number_;
  std::atomic<ULONG> references_{1};
};

// Argument helpers; a value that does not convert raises Failure with DISP_E_TYPEMISMATCH.
std::wstring textOf(const VARIANT& value);
long numberOf(const VARIANT& value);
void returnText(const std::wstring& text, VARIANT* result);
void returnNumber(long number, VARIANT* result);
void returnObject(IDispatch* object, VARIANT* result);  // takes over the reference
