#include "platform/execute_context.h"

#include <windows.h>
#include <psapi.h>

#include <cstdlib>
#include <memory>
#include <utility>

ExecuteContext* m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22 = nullptr;

namespace {

constexpr char exportName[] = "m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22";
constexpr std::uint32_t slotCount = 256;
ExecuteContext*& shared = m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22;

using Buffer = std::unique_ptr<HMODULE, decltype(&std::free)>;

// Runs at module unload: the last module that uses the record frees it.
void releaseContext() {
  ExecuteContext* context = shared;
  if (!context || --context->references != 0) return;
  for (std::uint32_t i = context->blockCount; i-- > 0;) std::free(context->blocks[i]);
  std::free(context->blocks);
  for (std::uint32_t i = context->slotCount; i-- > 0;) std::free(context->slots[i]);
  std::free(context->slots);
  delete context;
  shared = nullptr;
}

ExecuteContext* makeContext() {
  auto* context = new (std::nothrow) ExecuteContext{};
  if (!context) return nullptr;
  context->slots = static_cast<void**>(std::calloc(slotCount, sizeof(void*)));
  if (!context->slots) {
    delete context;
    return nullptr;
  }
  context->slotCount = slotCount;
  context->references = 1;
  return shared = context;
}

// Lists the process's modules; false when the list keeps growing between two listings.
bool listModules(Buffer& modules, DWORD& bytes) {
  DWORD capacity = 1024;
  modules.reset(static_cast<HMODULE*>(std::malloc(capacity)));
  if (!modules || !EnumProcessModules(GetCurrentProcess(), modules.get(), capacity, &bytes)) return false;
  if (bytes <= capacity) return true;
  capacity = bytes;
  modules.reset(static_cast<HMODULE*>(std::malloc(capacity)));
  return modules && EnumProcessModules(GetCurrentProcess(), modules.get(), capacity, &bytes) && bytes <= capacity;
}

}  // namespace

ExecuteContext* executeContext() {
  if (shared) return shared;
  Buffer modules(nullptr, &std::free);
  DWORD bytes = 0;
  const bool listed = listModules(modules, bytes);
  static bool releaseRegistered = false;  // a failed allocation may bring us here again
  if (!std::exchange(releaseRegistered, true)) std::atexit(releaseContext);
  if (listed) {
    for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
      auto* theirs = reinterpret_cast<ExecuteContext**>(GetProcAddress(modules.get()[i], exportName));
      if (theirs && *theirs) {
        shared = *theirs;
        ++shared->references;
        return shared;
      }
    }
  }
  return makeContext();
}

void* contextSlot(std::size_t index) {
  ExecuteContext* context = executeContext();
  return context ? context->slots[index] : nullptr;
}

void* makeContextSlot(std::size_t index, std::size_t size) {
  ExecuteContext* context = executeContext();
  if (!context) return nullptr;
  void* block = std::calloc(1, size);
  context->slots[index] = block;
  return block;
}
