// The factory programs as every edition gets them: the readable source
// (resources/presets/Factory.txt) parsed against the parameter table, one
// value per parameter, parameters the source does not name at their initial
// values. The VST 2 bank and program files and the LV2 presets are both
// generated from this, so the two editions ship the same sounds.
#pragma once

#include <string>
#include <vector>

#include "presets/PresetFile.h"
#include "presets/ProgramList.h"

// The parameters as the source names them, with the second delay-time entry
// taking the delay time.
std::vector<ProgramListParameter> factoryProgramParameters();

// Reads and parses the source at `path` into `bank`; false with a message in
// `error` when it cannot be read, does not parse or does not hold exactly one
// program per program slot of the effect.
bool readFactoryPrograms(const std::string& path, PresetBank& bank, std::string& error);
