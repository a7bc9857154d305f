// Moves programs between preset files and a loaded plug-in the way a host
// does, through the descriptor only: a bank is loaded by selecting each
// program, setting each parameter and renaming it; it is saved by selecting
// each program and reading its parameters and name back.
//
// A file may hold fewer parameters (or programs) than the plug-in has: one
// written before the plug-in grew loads. It describes a sound made without
// the parameters it lacks, so each program it holds gives those the values
// the plug-in had as it opened (its first program, fresh): a plug-in that adds
// parameters whose initial values leave its sound alone then plays the old
// program as it was saved, whatever the program held before. Programs the
// file does not hold stay as they are. A file holding more than the plug-in
// has is refused, for the extra values would have nowhere to go.
#pragma once

#include "presets/PresetFile.h"
#include "tools/render/PluginHost.h"

#include <string>
#include <vector>

// The parameter values of the plug-in as it is now, one per parameter: read
// right after it opens, what a shorter file's programs give the rest.
std::vector<float> openingValues(PluginHost& plugin);

// The file's values into the current program (the parameters beyond them at
// `opening`), then its name. Returns an error text or "".
std::string loadProgram(PluginHost& plugin, const PresetProgram& program, const std::vector<float>& opening);
// Every program of the bank into the plug-in's programs 0, 1, ..., as
// loadProgram does, then program 0 selected. Returns an error text or "".
std::string loadBank(PluginHost& plugin, const PresetBank& bank, const std::vector<float>& opening);

// The current program as the plug-in reports it, or an error text when a
// value cannot stand in a preset file.
bool captureProgram(PluginHost& plugin, PresetProgram& program, std::string& error);
// Every program in turn; the current program is selected again afterwards.
bool captureBank(PluginHost& plugin, PresetBank& bank, std::string& error);

// Who the loaded plug-in says it is, for stamping saved files.
PresetOwner presetOwner(PluginHost& plugin);
