#pragma once
// Calls an operation by its index in an object's table of virtual operations, with the
// compiler's own member calling convention, so a test checks the slot order without
// going through the class declaration.

#include <cstddef>
#include <cstring>

template <class Signature, class Object>
struct SlotCall;

template <class Result, class... Args, class Object>
struct SlotCall<Result(Args...), Object> {
  static Result call(Object* object, std::size_t slot, Args... args) {
    void* entry = (*reinterpret_cast<void***>(object))[slot];
    // A pointer to member holds the code address and a this-adjustment of 0.
    struct Raw {
      void* address;
      std::ptrdiff_t adjustment;
    } raw{entry, 0};
    Result (Object::*method)(Args...);
    static_assert(sizeof method == sizeof raw);
    std::memcpy(&method, &raw, sizeof raw);
    return (object->*method)(args...);
  }
};

template <class Signature, class Object, class... Args>
auto callSlot(Object* object, std::size_t slot, Args&&... args) {
  return SlotCall<Signature, Object>::call(object, slot, std::forward<Args>(args)...);
}
