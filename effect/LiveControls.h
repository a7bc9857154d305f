// The controls for playing live, " Dry/Wet ", " Gate ", " Glide ", " Scale "
// and " Key ": how each normalised value (nominally 0..1) becomes the
// setting of the stage it drives, and the text a host or the editor shows for
// it. Every function takes any float, NaN and out-of-range values included,
// and gives a setting within the control's range. At each control's value
// 0 (1 for Dry/Wet) the stage does exactly what it did before the control
// existed.
//
// Threads: pure functions, any thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dsp/MusicalScale.h"

// ---- " Dry/Wet ": the wet share of DryWetMix ----
// The value itself, clamped to 0..1 (NaN: 1, the chain alone). Linear, because
// the blend is: the control reads as the share of the chain in what is heard.
// Shown with three decimals, as " Delay Mix " is.
float dryWetShareFor(float value);

// ---- " Gate ": the oscillator's gate threshold ----
inline constexpr double kGateLowestDecibels = -80.0;
inline constexpr double kGateHighestDecibels = -20.0;
// 0 (or below, or NaN) switches the gate off (TrackingOscillator::kGateOff);
// above 0 the threshold runs linearly in dB from -80 dBFS up to -20 dBFS at 1
// (and stays there above 1). Linear in dB because a level is judged in dB: equal
// travel moves the threshold by equal steps of loudness. -80 dBFS lies below the
// noise of any interface and microphone, so the first step keeps only true
// silence out; -20 dBFS lets through only notes played firmly.
float gateThresholdDecibelsFor(float value);
// Whether a threshold gateThresholdDecibelsFor gives means no gate.
bool gateIsOff(float decibels);
// And back: the value whose threshold is `decibels`; below kGateLowestDecibels
// (or NaN) 0, off; above kGateHighestDecibels 1. -80 dB itself is the smallest
// normal float, so it stays on (a denormal would read as 0 on a thread that
// flushes them).
float valueForGateDecibels(double decibels);
// "off", or the threshold as "-56.0 dB". At most `capacity` bytes, terminator
// included; a null `text` or zero capacity writes nothing.
void gateText(float value, char* text, std::size_t capacity);

// ---- " Glide ": the oscillator's glide time ----
// value^2 seconds, 0 (off: the pitch jumps) to 1 s
// (TrackingOscillator::kLongestGlideSeconds), clamped to that range.
// Squared because short glides are where a player hears small differences: the
// lower half of the travel covers 0 to 250 ms, where most glides between notes
// are set, and the top still reaches a slow one-second swoop.
float glideSecondsFor(float value);
// And back: sqrt(seconds), for 0..1 s (outside: the nearer end; NaN: 0).
float valueForGlideSeconds(double seconds);
// The time as "250 ms" ("4.2 ms" below 10 ms, "0 ms" when off).
void glideText(float value, char* text, std::size_t capacity);

// ---- " Scale " and " Key ": what the oscillator's pitch snaps to ----
// Switches: position k is the value k / (positions - 1), and a value selects
// the nearest position (nearestSwitchPosition), so every position holds the
// middle of its band and a host stepping through the switch lands on each in
// turn.
inline constexpr int32_t kScalePositions = kScaleCount;
inline constexpr int32_t kKeyPositions = kPitchClassCount;
// Off, Chromatic, Major, Minor, Major Pentatonic, Minor Pentatonic, Blues.
Scale scaleFor(float value);
// 0 (C) .. 11 (B).
int32_t keyFor(float value);
// "Off", "Chromatic", "Major", "Minor", "Major Pentatonic", "Minor Pentatonic", "Blues".
const char* scaleText(float value);
// "C", "C#/Db", "D", "D#/Eb", "E", "F", "F#/Gb", "G", "G#/Ab", "A", "A#/Bb", "B":
// both names of a black key, since a major key is mostly written with flats
// (Eb, Ab, Bb) and a minor one with sharps (C#m, F#m, G#m).
const char* keyText(float value);
