#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "platform/firmware_table.h"
#include "platform/import_patch/import_patch.h"

namespace platform {

namespace {

uint8_t* steeredTable = nullptr;  // a private copy; null when empty
size_t steeredSize = 0;
uint32_t steeredCalls = 0;

// The kernel function's shape and behaviour, over the steered copy.
UINT WINAPI steeredFirmwareTable(DWORD provider, DWORD tableId, PVOID buffer, DWORD bufferSize) {
  ++steeredCalls;
  if (provider != kProviderRsmb || tableId != 0 || steeredTable == nullptr ||
      steeredSize > UINT32_MAX) {
    SetLastError(ERROR_NOT_FOUND);
    return 0;
  }
  const auto size = static_cast<UINT>(steeredSize);
  if (buffer == nullptr || bufferSize < size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  memcpy(buffer, steeredTable, size);
  return size;
}

template <typename T>
T* at(HMODULE module, DWORD rva) {
  return reinterpret_cast<T*>(reinterpret_cast<uint8_t*>(module) + rva);
}

bool rewrite(void** entry, void* value) {
  DWORD oldProtection = 0;
  if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &oldProtection)) return false;
  *entry = value;
  VirtualProtect(entry, sizeof *entry, oldProtection, &oldProtection);
  FlushInstructionCache(GetCurrentProcess(), entry, sizeof *entry);
  return true;
}

}  // namespace

void* patchImport(void* handle, const char* dllName, const char* functionName, void* replacement) {
  const auto module = static_cast<HMODULE>(handle);
  if (module == nullptr) return nullptr;
  const auto* dos = at<IMAGE_DOS_HEADER>(module, 0);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  const auto* nt = at<IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0 || imports.Size == 0) return nullptr;

  for (auto* descriptor = at<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
       descriptor->Name != 0; ++descriptor) {
    if (_stricmp(at<const char>(module, descriptor->Name), dllName) != 0) continue;
    // The name table lies beside the address table; without it, no import can be told by name.
    if (descriptor->OriginalFirstThunk == 0) continue;
    auto* names = at<IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk);
    auto* addresses = at<IMAGE_THUNK_DATA>(module, descriptor->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName = at<IMAGE_IMPORT_BY_NAME>(module, names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<const char*>(byName->Name), functionName) != 0) continue;
      auto** entry = reinterpret_cast<void**>(&addresses->u1.Function);
      void* previous = *entry;
      return rewrite(entry, replacement) ? previous : nullptr;
    }
  }
  return nullptr;
}

uint32_t steeredFirmwareTableCallCount() {
  return steeredCalls;
}
void resetSteeredFirmwareTableCallCount() {
  steeredCalls = 0;
}

bool steerFirmwareTable(void* module, const void* raw, size_t size, const char** error) {
  free(steeredTable);
  steeredTable = size > 0 ? static_cast<uint8_t*>(malloc(size)) : nullptr;
  steeredSize = steeredTable != nullptr ? size : 0;
  if (steeredTable != nullptr) memcpy(steeredTable, raw, size);
  if (size > 0 && steeredTable == nullptr) {
    *error = "no memory for a copy of the table";
    return false;
  }
  if (patchImport(module, "kernel32.dll", "GetSystemFirmwareTable",
                  reinterpret_cast<void*>(&steeredFirmwareTable)) != nullptr) {
    return true;
  }
  *error = "the module does not import GetSystemFirmwareTable from kernel32.dll";
  return false;
}

}  // namespace platform
