// What the programs of a new effect hold. Program 0 is the "Init" program,
// every parameter at its initial value (hosts see "Init 1"); programs 1
// onwards are the factory sounds in their list's order (FactorySounds.h).
// The effect builds its programs here and the factory-bank generator builds
// the bank and program files from the same programs, so the shipped files
// and a new instance's program list cannot drift apart.
#pragma once

#include <cstdint>
#include <memory>

#include "effect/PluginProgram.h"

// Program `number` of a new effect. A number with no factory sound (negative,
// or past the list) gives an "Init" program.
std::unique_ptr<PluginProgram> makeFactoryProgram(int32_t number);
