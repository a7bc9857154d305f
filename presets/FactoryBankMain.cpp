// brasklin-presetgen OUTPUT_FOLDER
//
// Writes the factory bank "Brasklin Factory.fxb" and one program file per
// factory sound ("<sound name>.fxp") into OUTPUT_FOLDER. The bank holds the
// programs of a new effect, built as the effect builds them (program 0
// "Init", then the factory sounds: effect/FactoryPrograms.h), each saved as a
// host saves it: the name the host is shown and the value getParameter
// answers for every parameter. So loading the bank into a new instance
// changes nothing, and the bank is byte for byte what a host saves from one.
// Earlier .fxp and .fxb files in the folder are removed first, so a renamed
// sound leaves no stale file behind.
#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "effect/FactoryPrograms.h"
#include "effect/ParameterTable.h"
#include "effect/EffectCore.h"
#include "vst2/PluginIdentity.h"
#include "presets/PresetFile.h"

namespace {

constexpr const char* kBankFileName = "Brasklin Factory.fxb";

int fail(const std::string& message)
{
  std::fprintf(stderr, "brasklin-presetgen: %s\n", message.c_str());
  return 1;
}

// Program `number` of a new effect as a host saves it; false with the reason
// in `error` for a value a file cannot hold.
bool savedProgram(int32_t number, PresetProgram& saved, std::string& error)
{
  const std::unique_ptr<PluginProgram> program = makeFactoryProgram(number);
  std::array<char, PluginProgram::nameCapacity> name{};
  program->writeShownName(number, name.data());
  saved.name = name.data();
  saved.values.clear();
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const float value = reportedValue(index, program->value(index));
    const std::string problem = presetValueProblem(value);
    if (!problem.empty()) {
      error = "program " + std::to_string(number) + " '" + saved.name + "', parameter " + std::to_string(index) + ": " +
              problem;
      return false;
    }
    saved.values.push_back(value);
  }
  return true;
}

int generate(const std::filesystem::path& folder)
{
  std::string error;
  PresetBank bank(static_cast<std::size_t>(EffectCore::kProgramCount));
  for (int32_t number = 0; number < EffectCore::kProgramCount; ++number) {
    if (!savedProgram(number, bank[static_cast<std::size_t>(number)], error)) return fail(error);
  }

  std::filesystem::create_directories(folder);
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string extension = entry.path().extension().string();
    if (extension == ".fxp" || extension == ".fxb") std::filesystem::remove(entry.path());
  }
  const PresetOwner owner{kPluginUniqueId, kPluginVersion};
  // One file per factory sound: every program but "Init".
  for (std::size_t number = 1; number < bank.size(); ++number) {
    const PresetProgram& program = bank[number];
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
  if (argc != 2) return fail("usage: brasklin-presetgen OUTPUT_FOLDER");
  try {
    return generate(argv[1]);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
