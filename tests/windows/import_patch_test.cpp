// Steering a loaded module's firmware table through its import address table, as engine-host
// and the package test do. This program imports the kernel's GetSystemFirmwareTable itself,
// through the platform layer's live path, so it serves as the module.
#include "platform/import_patch/import_patch.h"

#include <string.h>
#include <windows.h>

#include "platform/firmware_table.h"
#include "tests/windows/check.h"

using windows_test::check;

namespace {

void* self() {
  return GetModuleHandleW(nullptr);
}

int fakeCalls = 0;
DWORD fakeProvider = 0;
UINT WINAPI fakeFirmwareTable(DWORD provider, DWORD, PVOID, DWORD) {
  ++fakeCalls;
  fakeProvider = provider;
  return 0;
}

void redirects() {
  puts("-- redirects the import and hands back the previous entry");
  void* fake = reinterpret_cast<void*>(&fakeFirmwareTable);
  void* previous = platform::patchImport(self(), "KERNEL32.DLL", "GetSystemFirmwareTable", fake);
  check(previous != nullptr, "the import found, the DLL's name in any case");
  check(platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0) == 0 &&
            fakeCalls == 1 && fakeProvider == platform::kProviderRsmb,
        "calls reach the replacement with their arguments");
  check(platform::patchImport(self(), "kernel32.dll", "GetSystemFirmwareTable", previous) == fake,
        "putting the kernel's function back hands back the replacement");
  platform::GetSystemFirmwareTable(platform::kProviderRsmb, 0, nullptr, 0);
  check(fakeCalls == 1, "calls reach the kernel again");
}

void leavesOthersAlone() {
  puts("-- leaves modules without the import alone");
  void* fake = reinterpret_cast<void*>(&fakeFirmwareTable);
  check(platform::patchImport(self(), "kernel32.dll", "NoSuchFunction", fake) == nullptr,
        "a function not imported");
  check(platform::patchImport(self(), "nosuch.dll", "GetSystemFirmwareTable", fake) == nullptr,
        "a DLL not imported from");
  check(platform::patchImport(nullptr, "kernel32.dll", "GetSystemFirmwareTable", fake) == nullptr,
        "no module");
  const char* error = "";
  const unsigned char raw[] = {0, 3, 0, 0, 0, 0, 0, 0};
  check(
      !platform::steerFirmwareTable(GetModuleHandleW(L"kernel32.dll"), raw, sizeof raw, &error) &&
          strcmp(error, "the module does not import GetSystemFirmwareTable from kernel32.dll") == 0,
      "kernel32 imports nothing from itself: not steered, and said why");
}

void twoCallProtocol() {
  puts("-- the steered table follows the kernel's two-call protocol");
  const unsigned char raw[] = {0, 3, 4, 0, 6, 0, 0, 0, 127, 4, 0, 0, 0, 0};
  const char* error = "";
  if (!check(platform::steerFirmwareTable(self(), raw, sizeof raw, &error), "steered")) return;
  platform::resetSteeredFirmwareTableCallCount();
  using platform::GetSystemFirmwareTable;
  using platform::kProviderRsmb;
  check(GetSystemFirmwareTable(kProviderRsmb, 0, nullptr, 0) == sizeof raw,
        "no buffer: the size needed");
  unsigned char tooSmall[4] = {0xEE, 0xEE, 0xEE, 0xEE};
  check(GetSystemFirmwareTable(kProviderRsmb, 0, tooSmall, 4) == sizeof raw &&
            tooSmall[0] == 0xEE && tooSmall[3] == 0xEE,
        "a buffer too tooSmall: the size needed, nothing copied");
  unsigned char buffer[sizeof raw] = {};
  check(GetSystemFirmwareTable(kProviderRsmb, 0, buffer, sizeof buffer) == sizeof raw &&
            memcmp(buffer, raw, sizeof raw) == 0,
        "a buffer of that size: the table");
  check(platform::steeredFirmwareTableCallCount() == 3, "three calls counted");
  check(GetSystemFirmwareTable(0x4649524D /* 'FIRM' */, 0, nullptr, 0) == 0 &&
            GetSystemFirmwareTable(kProviderRsmb, 1, nullptr, 0) == 0,
        "another provider or table: nothing");
}

}  // namespace

int main() {
  redirects();
  leavesOthersAlone();
  twoCallProtocol();
  return windows_test::finish();
}
