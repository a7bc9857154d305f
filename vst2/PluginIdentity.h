// Who the plug-in tells hosts it is. Hosts file saved programs and banks
// under the unique id and refuse files made for another plug-in, so the
// factory presets are stamped with the same id and version.
#pragma once

#include <cstdint>

#include "vst2/interface/AEffect.h"
#include "vst2/interface/AudioEffect.h"

inline constexpr int32_t kPluginUniqueId = fourCharCode("BrKl");
inline constexpr int32_t kPluginVersion = kBaseEffectVersion;
