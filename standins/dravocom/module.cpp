// Entry points through which COM loads the stand-in, makes API objects and unloads it.

#include "module.h"

#include <atomic>

#include "harness.h"
#include "identity.h"
#include "objects.h"

namespace {

HMODULE module = nullptr;
std::atomic<long> created{0};
std::atomic<long> alive{0};
std::atomic<long> locks{0};
std::atomic<bool> pinned{false};

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // One static factory: its references only keep the DLL loaded.
  ULONG STDMETHODCALLTYPE AddRef() override {
    lockModule();
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    unlockModule();
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    {
      std::lock_guard lock(serverLock());
      if (const HRESULT refusal = harness().creationRefusal(); FAILED(refusal)) return refusal;
    }
    const ComPtr<IDispatch> api(static_cast<IDispatch*>(new ApiObject));
    return api->QueryInterface(iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? lockModule() : unlockModule();
    return S_OK;
  }
};

ClassFactory factory;

}  // namespace

HMODULE thisModule() { return module; }

long objectCreated() {
  ++alive;
  return ++created;
}

void objectDestroyed() { --alive; }
long objectsCreated() { return created; }
long objectsAlive() { return alive; }
void lockModule() { ++locks; }
void unlockModule() { --locks; }
void pinModule() { pinned = true; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (classId != apiObjectClassId) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return alive == 0 && locks == 0 && !pinned ? S_OK : S_FALSE; }
