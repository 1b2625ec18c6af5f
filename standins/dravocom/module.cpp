// The class COM can make of this DLL: the API object, unless a test has it refused.

#include <mutex>

#include "harness.h"
#include "identity.h"
#include "in_process_server.h"
#include "objects.h"

namespace {

ClassFactory factory([](IUnknown** made) {
  {
    std::lock_guard lock(serverLock());
    if (const HRESULT refusal = harness().creationRefusal(); FAILED(refusal)) return refusal;
  }
  *made = static_cast<IDispatch*>(new ApiObject);
  return S_OK;
});

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (classId != apiObjectClassId) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}
