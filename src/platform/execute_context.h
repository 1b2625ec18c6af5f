#pragma once
// The process-wide record of per-facility memory blocks, shared by every module of the
// process that exports m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22.

#include <cstddef>
#include <cstdint>

struct ExecuteContext {
  void** slots;              // slotCount pointers, null until a facility makes its block
  std::uint32_t slotCount;   // 256
  void** blocks;             // further blocks owned by the record
  std::uint32_t blockCount;
  std::uint32_t references;  // modules that use this record
};

extern "C" ExecuteContext* m_ExecuteContext_4D93FADE_7B9E_4286_AE07_54AF471F7E22;

// Finds the record of another module of the process, or makes one; null when no memory.
ExecuteContext* executeContext();
void* contextSlot(std::size_t index);
// Allocates size zeroed bytes and stores them in the slot.
void* makeContextSlot(std::size_t index, std::size_t size);
