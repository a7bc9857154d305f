// brasklin-presetgen SOURCE OUTPUT_FOLDER
//
// Writes the factory bank "Brasklin Factory.fxb" and one program file per
// program ("<program name>.fxp") into OUTPUT_FOLDER, from the readable source
// (resources/presets/Factory.txt). Every program holds one value per
// parameter the plug-in has now: a parameter the source does not name keeps
// its initial value, so growing the parameter table regenerates whole files.
// Earlier .fxp and .fxb files in the folder are removed first, so a renamed
// program leaves no stale file behind.
#include "vst2/PluginIdentity.h"
#include "presets/PresetFile.h"
#include "presets/FactoryPrograms.h"

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

int generate(const std::string& sourcePath, const std::filesystem::path& folder)
{
  std::string error;
  PresetBank bank;
  if (!readFactoryPrograms(sourcePath, bank, error)) return fail(error);

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
