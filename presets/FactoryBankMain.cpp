// brasklin-presetgen SOURCE OUTPUT_FOLDER
//
// Writes the factory bank "Brasklin Factory.fxb" and one program file per
// program ("<program name>.fxp") into OUTPUT_FOLDER, from the readable source
// (resources/presets/Factory.txt). Every program holds one value per
// parameter the plug-in has now: a parameter the source does not name keeps
// its initial value, so growing the parameter table regenerates whole files.
// Earlier .fxp and .fxb files in the folder are removed first, so a renamed
// program leaves no stale file behind.
#include "effect/ParameterTable.h"
#include "effect/PluginEffect.h"
#include "effect/PluginIdentity.h"
#include "presets/PresetFile.h"
#include "presets/ProgramList.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* kBankFileName = "Brasklin Factory.fxb";

int fail(const std::string& message)
{
  std::fprintf(stderr, "brasklin-presetgen: %s\n", message.c_str());
  return 1;
}

std::vector<ProgramListParameter> pluginParameters()
{
  std::vector<ProgramListParameter> parameters;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const ParameterInfo& info = parameterInfo(index);
    ProgramListParameter parameter;
    parameter.name = info.name != nullptr ? info.name : "";
    parameter.initialValue = info.initialValue;
    // Hosts apply a file's values in index order: the second delay-time entry
    // must hold the delay time, or it would undo it.
    if (index == delayTimeAltParameter) parameter.mirrors = delayTimeParameter;
    parameters.push_back(parameter);
  }
  return parameters;
}

int generate(const std::string& sourcePath, const std::filesystem::path& folder)
{
  std::string text;
  std::string error;
  if (!readPresetBytes(sourcePath, text, error)) return fail(error);
  PresetBank bank;
  if (!parseProgramList(text, pluginParameters(), bank, error)) return fail(sourcePath + ": " + error);
  if (bank.size() != static_cast<std::size_t>(PluginEffect::kProgramCount))
    return fail(sourcePath + ": holds " + std::to_string(bank.size()) + " programs, the factory bank fills all " +
                std::to_string(PluginEffect::kProgramCount));

  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".fxp" || extension == ".fxb") std::filesystem::remove(entry.path());
  }
  const PresetOwner owner{kPluginUniqueId, kPluginVersion};
  for (const PresetProgram& program : bank) {
    if (!writePresetBytes((folder / (program.name + ".fxp")).string(), writeProgramFile(program, owner), error))
      return fail(error);
  }
  // The bank last: the build takes its presence as "all files written".
  if (!writePresetBytes((folder / kBankFileName).string(), writeBankFile(bank, owner), error)) return fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 3) return fail("usage: brasklin-presetgen SOURCE.txt OUTPUT_FOLDER");
  try {
    return generate(argv[1], argv[2]);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
