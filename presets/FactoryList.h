// The factory sounds' readable list (resources/presets/Factory.txt) read
// against the plug-in's parameter table: one program per sound, one value per
// parameter by index, a parameter the list does not name at its initial value
// and each second entry of a setting (11 for the delay time) holding its
// target's value. Build tools read the list through here; the plug-in reads
// the table built from it (effect/FactorySounds.h).
#pragma once

#include <string>
#include <string_view>

#include "presets/PresetFile.h"

// False with "line N: ..." in `error` for whatever parseProgramList refuses.
bool readFactoryList(std::string_view text, PresetBank& sounds, std::string& error);
