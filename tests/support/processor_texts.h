// Expected texts shared by the processor tests.
#pragma once

#include <initializer_list>
#include <sstream>
#include <string>

// Every feature flag name, as the flags text lists them when all 29 named bits are set.
inline constexpr const char kAllIntelFlags[] =
    "FPU (Floating-point unit on-chip)\nVME (Virtual mode extension)\nDE (Debugging "
    "extension)\nPSE (Page size extension)\nTSC (Time stamp counter)\nMSR (Model specific "
    "registers)\nPAE (Physical address extension)\nMCE (Machine check exception)\nCX8 (CMPXCHG8 "
    "instruction supported)\nAPIC (On-chip APIC hardware supported)\nSEP (Fast system "
    "call)\nMTRR (Memory type range registers)\nPGE (Page global enable)\nMCA (Machine check "
    "architecture)\nCMOV (Conditional move instruction supported)\nPAT (Page attribute "
    "table)\nPSE-36 (36-bit page size extension)\nCLFSH (CLFLUSH instruction supported)\nDS "
    "(Debug store)\nACPI (ACPI supported)\nMMX (MMX technology supported)\nFXSR (FXSAVE and "
    "FXSTOR instructions supported)\nSSE (Streaming SIMD extensions)\nSSE2 (Streaming SIMD "
    "extensions 2)\nSS (Self-snoop)\nHTT (Multi-threading)\nTM (Thermal monitor "
    "supported)\nPBE (Pending break enabled)";

// kAllIntelFlags without the flags of these names ("DS"), as a processor that lacks them shows.
inline std::string allIntelFlagsBut(std::initializer_list<const char*> names) {
  std::istringstream all(kAllIntelFlags);
  std::string kept;
  for (std::string flag; std::getline(all, flag);) {
    bool named = false;
    for (const char* name : names) named = named || flag.rfind(std::string(name) + " (", 0) == 0;
    if (!named) kept += (kept.empty() ? "" : "\n") + flag;
  }
  return kept;
}
