// What the module probe plug-in and the Windows loading test agree on.
#pragma once

#include <cstdint>

#include "vst2/interface/AEffect.h"

constexpr int32_t kModuleProbeUniqueId = fourCharCode("MoDu");
// Private dispatcher opcode: answers the module handle the DLL entry point kept.
constexpr int32_t kModuleProbeHandleOpcode = 0x4D48;
// Private host opcode: the probe's destructor announces itself with it.
constexpr int32_t kModuleProbeDestroyedOpcode = 0x7E58;
constexpr float kModuleProbeSample = -0.375f;
