// Entry points through which COM loads the stand-in, makes messages and unloads it.

#include "module.h"

#include <atomic>

#include "identity.h"
#include "message_state.h"

namespace {

HMODULE module = nullptr;
std::atomic<long> created{0};
std::atomic<long> alive{0};
std::atomic<long> locks{0};
std::atomic<bool> pinned{false};

class ClassFactory final : public IClassFactory {
 public:
  explicit ClassFactory(IDispatch* (*make)()) : make_(make) {}

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
    ++locks;
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    --locks;
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    IDispatch* made = make_();
    const HRESULT hr = made->QueryInterface(iid, object);
    made->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ++locks : --locks;
    return S_OK;
  }

 private:
  IDispatch* (*make_)();
};

ClassFactory messageFactory(newMessage);
ClassFactory streamFactory(newTextStream);

}  // namespace

HMODULE thisModule() { return module; }

long objectCreated() {
  ++alive;
  return ++created;
}

void objectDestroyed() { --alive; }
long objectsAlive() { return alive; }
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
  if (classId == messageClassId) return messageFactory.QueryInterface(iid, object);
  if (classId == streamClassId) return streamFactory.QueryInterface(iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return alive == 0 && locks == 0 && !pinned ? S_OK : S_FALSE; }
