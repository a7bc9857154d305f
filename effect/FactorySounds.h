// The factory sounds as the build reads them from their readable list,
// resources/presets/Factory.txt: each sound's name and one normalised value
// per parameter, by index (a value the list does not give is the parameter's
// initial one; the second delay-time entry holds the delay time).
//
// factorySounds() is defined in a source file that brasklin-factorytable
// writes at build time from the list (presets/FactoryTableMain.cpp), so the
// plug-in reads no file for them. It is plain data without the effect: any
// edition or build tool that offers the factory sounds reads them here (link
// the library brasklin_factory_sounds, or compile BRASKLIN_FACTORY_SOUNDS_SOURCE
// into a program for the build machine).
#pragma once

#include <array>
#include <span>

#include "effect/ParameterTable.h"

struct FactorySound {
  const char* name;  // at most 23 bytes, usable as a file name
  std::array<float, kParameterCount> values;
};

// In the list's order: program 1 of a new effect is the first.
std::span<const FactorySound> factorySounds();
