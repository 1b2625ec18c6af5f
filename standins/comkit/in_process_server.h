#pragma once
// What an in-process COM server among the stand-ins keeps for its DLL: its handle, the
// objects it made, the locks on it and whether COM may unload it; and its class factory,
// made over a function that makes one object. The DLL's own module.cpp defines
// DllGetClassObject over its factories; DllMain and DllCanUnloadNow are here.

#include <windows.h>
#include <objbase.h>

HMODULE thisModule();

long objectCreated();  // counts a new object; gives its number in this process
void objectDestroyed();
long objectsCreated();
long objectsAlive();

void lockModule();  // class factory references and LockServer
void unlockModule();
// Once the test control has been handed out the DLL stays loaded: a pointer into it is held.
void pinModule();

// One static factory per class: its references only keep the DLL loaded.
class ClassFactory final : public IClassFactory {
 public:
  // Gives a new object holding one reference, or the failure that refuses it.
  using Make = HRESULT (*)(IUnknown** made);
  explicit ClassFactory(Make make) : make_(make) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  Make make_;
};
