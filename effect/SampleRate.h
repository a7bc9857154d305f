// The sample rates the effect takes from a host, whatever the format: any
// finite rate from 1 Hz to 10 MHz (the wave tables follow only the rates they
// can be built for; see WaveShapeTable). Other rates are refused.
#pragma once

inline constexpr float kMinSampleRate = 1.0f;
inline constexpr float kMaxSampleRate = 10000000.0f;

constexpr bool isUsableSampleRate(double rate) { return rate >= kMinSampleRate && rate <= kMaxSampleRate; }
