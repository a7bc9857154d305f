// What the probe plug-in and the export test agree on.
#pragma once

#include <cstdint>

#include "vst2/interface/AEffect.h"

constexpr int32_t kProbeUniqueId = fourCharCode("PrOb");
// Not a real host opcode: the probe's destructor announces itself with it.
constexpr int32_t kProbeDestroyedOpcode = 0x7E57;
constexpr float kProbeSample = 0.125f;
