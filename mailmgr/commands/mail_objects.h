#pragma once
// Domain and mail name objects that the provider hands out. The caller owns each one and
// ends it through the object's own release operation, never by a destructor call; a held
// object is released when it goes out of scope (the module is still loaded then, since
// the invocation that loaded it outlives every command's locals).

#include <memory>
#include <string>

#include "framework/usage_error.h"
#include "interfaces/mail_provider.h"

namespace mailmgr {

struct ReleaseMailObject {
  template <class Object>
  void operator()(Object* object) const {
    object->release();
  }
};

template <class Object>
using Held = std::unique_ptr<Object, ReleaseMailObject>;

// Takes over an object that an operation handed out; the module returns null only when
// it had no memory for the object.
template <class Object>
Held<Object> hold(Object* object, const std::wstring& what) {
  if (!object) throw Failure{L"the module had no memory for the object of " + what};
  return Held<Object>(object);
}

}  // namespace mailmgr
