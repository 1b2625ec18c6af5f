#include "in_process_server.h"

#include <atomic>

namespace {

HMODULE module = nullptr;
std::atomic<long> created{0};
std::atomic<long> alive{0};
std::atomic<long> locks{0};
std::atomic<bool> pinned{false};

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

HRESULT STDMETHODCALLTYPE ClassFactory::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG STDMETHODCALLTYPE ClassFactory::AddRef() {
  lockModule();
  return 2;
}

ULONG STDMETHODCALLTYPE ClassFactory::Release() {
  unlockModule();
  return 1;
}

HRESULT STDMETHODCALLTYPE ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  IUnknown* made = nullptr;
  if (const HRESULT refusal = make_(&made); FAILED(refusal)) return refusal;
  const HRESULT hr = made->QueryInterface(iid, object);
  made->Release();
  return hr;
}

HRESULT STDMETHODCALLTYPE ClassFactory::LockServer(BOOL lock) {
  lock ? lockModule() : unlockModule();
  return S_OK;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllCanUnloadNow() { return alive == 0 && locks == 0 && !pinned ? S_OK : S_FALSE; }
