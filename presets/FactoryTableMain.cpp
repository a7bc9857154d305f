// brasklin-factorytable LIST OUTPUT.cpp
//
// Reads the factory sounds' readable list (resources/presets/Factory.txt) and
// writes the C++ source that defines factorySounds() (effect/FactorySounds.h):
// every sound's name and all its values, one per parameter the plug-in has
// now, each written so that it reads back as the very same float. The list
// must hold exactly one sound for each program after "Init".
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "effect/EffectCore.h"
#include "presets/FactoryList.h"
#include "presets/PresetFile.h"

namespace {

int fail(const std::string& message)
{
  std::fprintf(stderr, "brasklin-factorytable: %s\n", message.c_str());
  return 1;
}

// The shortest text that reads back as `value`, as a float literal.
std::string floatLiteral(float value)
{
  std::array<char, 32> digits{};
  const auto [end, failure] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  std::string text(digits.data(), failure == std::errc{} ? end : digits.data());
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text + "f";
}

// Names are file names already (no quote, backslash or control character);
// the two characters a string literal cannot hold as they are are escaped all
// the same.
std::string stringLiteral(const std::string& text)
{
  std::string literal = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') literal += '\\';
    literal += c;
  }
  return literal + "\"";
}

std::string tableSource(const PresetBank& sounds, const std::string& listPath)
{
  std::string source = "// Written by brasklin-factorytable from " + listPath +
                       ".\n// Edit the list, not this file: the build writes it again.\n"
                       "#include \"effect/FactorySounds.h\"\n\n"
                       "static_assert(kParameterCount == " +
                       std::to_string(kParameterCount) +
                       ", \"the parameter table changed: write this file again\");\n\n"
                       "namespace {\n\nconstexpr std::array<FactorySound, " +
                       std::to_string(sounds.size()) + "> sounds{{\n";
  for (const PresetProgram& sound : sounds) {
    source += "    {" + stringLiteral(sound.name) + ",\n     {";
    for (std::size_t index = 0; index < sound.values.size(); ++index)
      source += (index == 0 ? "" : ", ") + floatLiteral(sound.values[index]);
    source += "}},\n";
  }
  source += "}};\n\n}  // namespace\n\nstd::span<const FactorySound> factorySounds() { return sounds; }\n";
  return source;
}

int generate(const std::string& listPath, const std::filesystem::path& outputPath)
{
  std::string text;
  std::string error;
  if (!readPresetBytes(listPath, text, error)) return fail(error);
  PresetBank sounds;
  if (!readFactoryList(text, sounds, error)) return fail(listPath + ": " + error);
  const auto expected = static_cast<std::size_t>(EffectCore::kProgramCount - 1);
  if (sounds.size() != expected)
    return fail(listPath + ": holds " + std::to_string(sounds.size()) + " sounds, one for each of the " +
                std::to_string(expected) + " programs after \"Init\"");
  const std::string source = tableSource(sounds, std::filesystem::path(listPath).filename().string());
  // Written whole or not at all, so a failed run leaves no half table behind.
  if (!writePresetBytes(outputPath.string(), std::vector<std::uint8_t>(source.begin(), source.end()), error))
    return fail(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 3) return fail("usage: brasklin-factorytable LIST.txt OUTPUT.cpp");
  try {
    return generate(argv[1], argv[2]);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
