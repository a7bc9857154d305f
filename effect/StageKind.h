// The four kinds of stage the chain can run, and their names. How a
// stage-order parameter's value selects one is in ParameterTable. Each of the
// four stage-order slots holds one kind.
#pragma once

#include <cstdint>

enum class StageKind : int32_t {
  mox = 0,         // the pitch-tracking wave-table oscillator
  filter = 1,      // the resonant filter
  delay = 2,       // the feedback delay
  distortion = 3,  // the soft-clipping distortion
};

inline constexpr int32_t kStageKindCount = 4;
inline constexpr int32_t kStageSlotCount = 4;

// The slot (0-based) a kind calls home. A stage hands its output on to the next
// stage only when its home slot holds its own kind.
constexpr int32_t homeSlot(StageKind kind) { return static_cast<int32_t>(kind); }

// The text the host and the editor show for a kind.
const char* stageKindName(StageKind kind);
