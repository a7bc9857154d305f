// How the effect's parameters look to a VST 3 host: one VST 3 parameter per
// row of the parameter table, its ID the row's index, and one more, the
// program selector. The facts (names, switch positions, units, what may be
// automated, named positions) all come from the parameter table and
// ParameterUnits; this file only puts them into VST 3's terms.
//
// Values. VST 3 normalises a switch of n + 1 positions to k / n and maps a
// value back by k = min(n, floor(v * (n + 1))); the effect reads a switch
// from its own thresholds. So a switch's VST 3 value is turned into its
// position first, and the effect is given the value that selects that
// position (k / n as a 32-bit float, what the VST 2 edition is given for
// it). A continuous parameter's value is handed over as a float.
//
// Threads: pure functions of their arguments, safe on every thread; none
// allocates but the texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "effect/EffectCore.h"
#include "effect/ParameterTable.h"
#include "vst3/interface/Vst3Editing.h"

namespace vst3_parameters {

// The program selector's ID, far from the table's indices so that rows added
// to the table never meet it; and the one program list's ID.
inline constexpr vst3::ParamID kProgramChangeId = 0x10000;
inline constexpr int32_t kProgramListId = 1;
inline constexpr int32_t kProgramCount = EffectCore::kProgramCount;

// Parameters the controller lists: the table's rows, then the selector.
inline constexpr int32_t kListedCount = kParameterCount + 1;

// The parameter index an ID stands for, or kNoIndex (the selector and
// unknown IDs).
inline constexpr int32_t kNoIndex = -1;
int32_t indexForId(vst3::ParamID id);

// The description of listed parameter `position` (0 .. kListedCount - 1),
// its default the parameter's initial value; false for any other position.
bool describe(int32_t position, vst3::ParameterInfo& info);

// VST 3 steps of parameter `index`: its positions - 1 for a switch, 0 for a
// continuous one.
int32_t stepCountOf(int32_t index);

// The value the effect is given for the VST 3 value `normalised` of `index`
// (taken within 0..1); NaN for a value that is not a number (the effect
// refuses it).
float effectValueFor(int32_t index, double normalised);
// The VST 3 value that stands for what the effect keeps, `kept`, of `index`.
double normalisedForKept(int32_t index, float kept);

// The program the selector's `normalised` value selects, and back.
int32_t programFor(double normalised);
double normalisedForProgram(int32_t program);

// The text a host shows for `normalised` of `index`: a switch's named
// position (the names the LV2 edition shows, "On"/"Off" for the on/off
// ones), the wave shape's name among `shapeNames`, a named value ("off"),
// or the value in its unit (unitSymbol) as a number.
std::string valueText(int32_t index, double normalised, const std::vector<std::string>& shapeNames);
// The VST 3 value for a text a user typed: a position's or a named value's
// name, or a number in the parameter's unit; empty when it is neither.
std::optional<double> valueFromText(int32_t index, const std::string& text, const std::vector<std::string>& shapeNames);
// The unit the number is in ("s", "dB", "ms"; empty for plain numbers).
const char* unitSymbol(int32_t index);

}  // namespace vst3_parameters
