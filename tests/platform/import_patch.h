#pragma once
// Redirects this program's calls of one imported function to another function: the way
// platform_child watches the event-log calls that the code linked into it makes.

#include <windows.h>

#include <cstring>
#include <utility>

// Returns the function the import pointed at, or null when the program does not import it.
inline void* patchImport(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const DWORD imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* module = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); module->Name; ++module) {
    if (_stricmp(reinterpret_cast<char*>(base + module->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->OriginalFirstThunk);
    for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + module->FirstThunk); names->u1.AddressOfData; ++names, ++slot) {
      const auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal) || std::strcmp(reinterpret_cast<const char*>(byName->Name), function)) continue;
      DWORD protection = 0;
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
      void* original = reinterpret_cast<void*>(std::exchange(slot->u1.Function, reinterpret_cast<ULONG_PTR>(replacement)));
      VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
      return original;
    }
  }
  return nullptr;
}
