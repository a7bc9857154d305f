// Who the VST 3 edition is: the two classes its factory makes (the audio
// processor and its edit controller), their IDs, and what hosts list them as.
// The IDs are this plug-in's own and never change: hosts file projects and
// presets under the processor's.
#pragma once

#include "effect/EffectIdentity.h"
#include "vst3/interface/Vst3Base.h"

namespace vst3_identity {

// Printed by hosts as 4272736B6C696E0150726F6333414456 and
// 4272736B6C696E0243746C7233414456 ("Brsklin" 1 "Proc3ADV", "Brsklin" 2 "Ctlr3ADV").
inline constexpr vst3::Tuid kProcessorCid = vst3::makeTuid(0x4272736B, 0x6C696E01, 0x50726F63, 0x33414456);
inline constexpr vst3::Tuid kControllerCid = vst3::makeTuid(0x4272736B, 0x6C696E02, 0x43746C72, 0x33414456);

inline constexpr char kProcessorCategory[] = "Audio Module Class";
inline constexpr char kControllerCategory[] = "Component Controller Class";
// An effect for pitch: it tracks the played pitch and plays a shape at it.
inline constexpr char kSubCategories[] = "Fx|Pitch Shift";
inline constexpr char kSdkVersion[] = "VST 3.7.14";
inline constexpr char kControllerName[] = "Brasklin Controller";

}  // namespace vst3_identity
