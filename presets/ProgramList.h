// The human-readable source of a bank of programs, from which the factory
// bank and its program files are generated:
//
//   # a comment runs to the end of its line
//   [Octave Bass]              starts a program with this name
//   Pitch Shift = 0.25         one parameter, by the name the host shows
//
// Parameter names match ignoring surrounding spaces and letter case. A
// parameter a program does not name keeps its initial value, so a source
// written before a parameter existed still describes a whole program.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "presets/PresetFile.h"

struct ProgramListParameter {
  std::string name;  // empty: the parameter cannot be named in the source
  float initialValue = 0.0f;
  // Another parameter's index whose value this one takes (a second entry for
  // the same setting, which a host would otherwise apply over the first), or -1.
  int32_t mirrors = -1;
};

// Parses `text` into `bank`, one program per "[Name]" section, with one value
// per entry of `parameters`. Returns false with "line N: ..." in `error` for an
// unknown or repeated parameter, a value that is not a number within 0..1, a
// setting before the first program, and a name that is empty, longer than 23
// bytes, repeated, or holds a character a file name cannot.
bool parseProgramList(std::string_view text, const std::vector<ProgramListParameter>& parameters, PresetBank& bank,
                      std::string& error);

// Surrounding spaces removed, letters lowered: how parameter names are matched.
std::string matchingName(std::string_view name);
