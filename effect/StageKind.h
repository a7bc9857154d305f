// The four kinds of stage the chain can run, and how a stage-order parameter
// names one. Each of the four stage-order slots holds one kind.
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

// A normalised stage-order value -> kind. The thresholds are the decimal
// numbers 0.333333 and 0.666666 compared in double precision, not 1/3 and 2/3,
// so saved automation keeps landing on the same kinds.
StageKind stageKindFor(float value);

// What a program keeps for a kind: kind x 1/3, both as 32-bit floats
// (0, 0.33333334, 0.6666667, 1).
float stageKindProgramValue(StageKind kind);

// What getParameter reports for a kind (0, 0.4, 0.7, 1): the middle of each
// band, so a host writing the value back gets the same kind again.
float stageKindReportedValue(StageKind kind);
