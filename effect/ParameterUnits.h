// A parameter's value in the unit a user reads it in (ParameterScale): a
// switch's position, the delay time in seconds, the pitch and cut-off
// ratios, the volume in dB, the gate threshold in dBFS, the glide time in
// ms, or the plain 0..1 value. Formats that show real
// units (LV2) carry these values; the effect itself takes the normalised
// value, so every such value is turned back into one before it is set.
//
// The way back selects the same setting as the value it came from: a switch
// position k is the normalised value k / (positions - 1), which lands in the
// band of the k-th setting, and a continuous value is inverted through the
// parameter's own conversion (switch positions: switchPositionFor in
// ParameterTable.h), so unitValueFor followed by normalisedFor gives
// a value with the same setting wherever float rounding allows (the tests
// name the values that round-trip to the bit).
#pragma once

#include <cstdint>

#include "effect/ParameterTable.h"

struct UnitRange {
  float minimum;
  float maximum;
};

// The range of the unit value for `index` (isParameterIndex): positions 0 to
// positions - 1, the delay time 0..5 s, the ratios 0.1..10 and 1/8..8, the
// volume kVolumeFloorDecibels..+12 dB, the gate kGateOffDecibels..-20 dB, the
// glide 0..1000 ms, 0..1 for the rest.
UnitRange unitRange(int32_t index);

// The volume's lowest value in dB; it and anything below it is silence (gain 0).
inline constexpr double kVolumeFloorDecibels = -90.0;
// The gate's lowest value in dB, standing for "off": a threshold that low
// would pass everything but silence, so the bottom of the range reads as no
// gate, as the volume's reads as no sound. Values below the lowest threshold
// (kGateLowestDecibels, -80) switch the gate off.
inline constexpr double kGateOffDecibels = -90.0;

// The unit value for the normalised `value` of `index`, within unitRange.
float unitValueFor(int32_t index, float value);

// The normalised value for the unit value `unitValue` of `index`; values
// outside unitRange are taken at the nearest end. NaN gives NaN, which the
// effect refuses.
float normalisedFor(int32_t index, float unitValue);

// A name for position `position` of a switch with more than two positions
// ("2048", "Low-pass", "Delay", "Major", "F#/Gb"); null for on/off switches
// (shown as toggles), continuous parameters and positions out of range.
const char* positionName(int32_t index, int32_t position);

// A named value of a continuous parameter, for formats that label values
// (the gate's kGateOffDecibels as "off"); null when it has none.
struct NamedValue {
  float unitValue;
  const char* name;
};
const NamedValue* namedValueOf(int32_t index);
