// The classes COM can make of this DLL: messages and text streams.

#include "identity.h"
#include "in_process_server.h"
#include "message_state.h"

namespace {

ClassFactory messageFactory([](IUnknown** made) {
  *made = newMessage();
  return S_OK;
});
ClassFactory streamFactory([](IUnknown** made) {
  *made = newTextStream();
  return S_OK;
});

}  // namespace

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (classId == messageClassId) return messageFactory.QueryInterface(iid, object);
  if (classId == streamClassId) return streamFactory.QueryInterface(iid, object);
  return CLASS_E_CLASSNOTAVAILABLE;
}
