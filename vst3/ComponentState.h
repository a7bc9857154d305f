// The component's state as a VST 3 host keeps it in projects and presets:
// the current program and every program's values, so that a reopened project
// plays and lists what was saved, edits to other programs included.
//
// Layout, every number little-endian whatever the system:
//   "BRK3"              4 bytes, the mark of this format
//   version             uint32, 1
//   current program     int32
//   program count P     uint32 (16 today)
//   value count V       uint32 per program (the parameter count, 24 today)
//   P x V values        float32 bit patterns, program by program, in
//                       parameter order, as the program keeps them
// Reading takes what it finds: a longer value row (a newer edition's)
// is read in part, a shorter one or fewer programs leave the rest as they
// are, and a stream cut short keeps the whole programs before the cut. Data
// without the mark, an unknown version or a header cut short is refused
// whole, changing nothing.
//
// Threads: reading and writing run on the thread the host calls setState /
// getState from (its interface thread, or its processing thread when it
// renders offline); they touch only the stream and the values given.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "effect/ParameterTable.h"
#include "effect/PluginProgram.h"
#include "vst3/interface/Vst3Base.h"

struct ComponentState {
  static constexpr int32_t kProgramCount = 16;
  int32_t currentProgram = 0;
  int32_t programsRead = 0;  // programs 0 .. programsRead - 1 were read
  int32_t valuesRead = 0;    // parameters 0 .. valuesRead - 1 of each
  std::array<PluginProgram::Values, kProgramCount> programs{};
};

// Writes `state` (all of its programs and values); false when the stream
// takes less than all of it.
bool writeComponentState(vst3::IBStream& stream, const ComponentState& state);
// Reads a state written by writeComponentState or an edition before or
// after it; empty for anything else. Values that are not finite numbers are
// read as the initial values of their parameters.
std::optional<ComponentState> readComponentState(vst3::IBStream& stream);
