// brasklin-lv2-description OUTPUT_FOLDER BINARY_FILE VERSION [UI_BINARY_FILE]
//
// Writes the LV2 bundle's description into OUTPUT_FOLDER, from the parameter
// table and the programs of a new effect, so that nothing about a port or a
// program is written twice: manifest.ttl (the plug-in, its binary BINARY_FILE,
// its presets and, when UI_BINARY_FILE is given, its editor in that binary),
// brasklin.ttl (the ports: one audio input, two audio
// outputs, one control port per parameter that is a setting of its own, in the
// units of ParameterUnits, defaults program 0's) and presets.ttl (the 16
// programs, "Init 1" and the factory sounds, as presets with their port
// values and the names hosts show for them). VERSION is the project's
// "major.minor.micro"; LV2 takes the minor and micro numbers.
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "effect/EffectIdentity.h"
#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterText.h"
#include "effect/ParameterUnits.h"
#include "lv2/Lv2Identity.h"
#include "effect/EffectCore.h"
#include "effect/FactoryPrograms.h"
#include "effect/PluginProgram.h"

namespace {

constexpr const char* kPrefixes =
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix log: <http://lv2plug.in/ns/ext/log#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n";

// A program as the description needs it: the name hosts show and the kept values.
struct Program {
  std::string name;
  PluginProgram::Values values;
};
using Programs = std::vector<Program>;

// The programs of a new effect, as EffectCore builds them.
Programs newEffectPrograms()
{
  Programs programs;
  for (int32_t number = 0; number < EffectCore::kProgramCount; ++number) {
    const std::unique_ptr<PluginProgram> program = makeFactoryProgram(number);
    std::array<char, PluginProgram::nameCapacity> shown{};
    program->writeShownName(number, shown.data());
    programs.push_back({shown.data(), program->values()});
  }
  return programs;
}

int fail(const std::string& message)
{
  std::fprintf(stderr, "brasklin-lv2-description: %s\n", message.c_str());
  return 1;
}

// A float as the shortest decimal that reads back as the same float, always
// with a point or an exponent so that Turtle reads a decimal or double.
std::string number(float value)
{
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  std::string written(text, result.ptr);
  if (written.find_first_of(".e") == std::string::npos) written += ".0";
  return written;
}

std::string quoted(const std::string& text)
{
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string presetUri(std::size_t program)
{
  return std::string(kLv2PluginUri) + ":preset:" + std::to_string(program + 1);
}

// A program's kept value for parameter `index`, in the port's unit.
float portValue(int32_t index, float kept) { return unitValueFor(index, kept); }

void writeControlPort(std::ostream& out, int32_t index, const Program& defaults)
{
  const ParameterInfo& info = parameterInfo(index);
  const UnitRange range = unitRange(index);
  out << "    [\n"
      << "        a lv2:InputPort, lv2:ControlPort ;\n"
      << "        lv2:index " << portForParameter(index) << " ;\n"
      << "        lv2:symbol " << quoted(info.symbol) << " ;\n"
      << "        lv2:name " << quoted(plainParameterName(index)) << " ;\n"
      << "        lv2:default " << number(portValue(index, defaults.values[static_cast<std::size_t>(index)])) << " ;\n"
      << "        lv2:minimum " << number(range.minimum) << " ;\n"
      << "        lv2:maximum " << number(range.maximum);
  switch (info.scale) {
    case ParameterScale::positions:
      if (info.positions == 2) {
        out << " ;\n        lv2:portProperty lv2:toggled, lv2:integer";
      } else {
        // Each label's value is its position, so sorted by value the labels
        // read in the switch's order. Hosts get the points from lilv in no
        // fixed order (whatever order they are written in here) and must go
        // by value; the value is also what they save.
        out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration";
        for (int32_t position = 0; position < info.positions; ++position) {
          out << " ;\n        lv2:scalePoint [ rdfs:label " << quoted(positionName(index, position)) << " ; rdf:value "
              << position << " ]";
        }
      }
      break;
    case ParameterScale::delaySeconds: out << " ;\n        units:unit units:s"; break;
    case ParameterScale::pitchRatio:
    case ParameterScale::cutOffRatio:
      out << " ;\n        units:unit units:coef ;\n        lv2:portProperty pprops:logarithmic";
      break;
    case ParameterScale::volumeDecibels:
    case ParameterScale::gateDecibels: out << " ;\n        units:unit units:db"; break;
    case ParameterScale::glideMilliseconds: out << " ;\n        units:unit units:ms"; break;
    case ParameterScale::normalised: break;
  }
  if (const NamedValue* named = namedValueOf(index)) {
    out << " ;\n        lv2:scalePoint [ rdfs:label " << quoted(named->name) << " ; rdf:value "
        << number(named->unitValue) << " ]";
  }
  out << "\n    ]";
}

std::string pluginDescription(int minor, int micro, const Program& defaults)
{
  std::ostringstream out;
  out << kPrefixes;
  // The maker belongs to the project the plug-in is part of.
  out << "<" << kLv2ProjectUri << ">\n"
      << "    a doap:Project ;\n"
      << "    doap:name " << quoted(kEffectName) << " ;\n"
      << "    doap:maintainer [ a foaf:Person ; foaf:name " << quoted(kEffectMaker) << " ] .\n\n";
  out << "<" << kLv2PluginUri << ">\n"
      << "    a lv2:Plugin, lv2:PitchPlugin ;\n"
      << "    lv2:project <" << kLv2ProjectUri << "> ;\n"
      << "    doap:name " << quoted(kEffectName) << " ;\n"
      << "    rdfs:comment \"Tracks the pitch of its input and replaces it with a wave-table tone that follows "
         "it, then a pitch-following resonant filter, a feedback delay and a soft-clip distortion in an order of "
         "your choice.\" ;\n"
      << "    lv2:minorVersion " << minor << " ;\n"
      << "    lv2:microVersion " << micro << " ;\n"
      << "    lv2:optionalFeature lv2:hardRTCapable, urid:map, log:log, opts:options ;\n"
      << "    opts:supportedOption bufsz:maxBlockLength, bufsz:nominalBlockLength ;\n"
      << "    lv2:port [\n"
      << "        a lv2:InputPort, lv2:AudioPort ;\n"
      << "        lv2:index " << kAudioInputPort << " ;\n"
      << "        lv2:symbol \"in\" ;\n"
      << "        lv2:name \"In\"\n"
      << "    ]";
  for (uint32_t output = 0; output < kAudioOutputPortCount; ++output) {
    out << " , [\n"
        << "        a lv2:OutputPort, lv2:AudioPort ;\n"
        << "        lv2:index " << kFirstAudioOutputPort + output << " ;\n"
        << "        lv2:symbol \"out_" << (output == 0 ? "left" : "right") << "\" ;\n"
        << "        lv2:name \"Out " << (output == 0 ? "Left" : "Right") << "\"\n"
        << "    ]";
  }
  for (int32_t index = 0; index < kParameterCount; ++index) {
    if (portForParameter(index) == kNoPort) continue;
    out << " ,\n";
    writeControlPort(out, index, defaults);
  }
  out << " .\n";
  return out.str();
}

// The editor: an X11 window embedded in the host's (ui:parent), driven by the
// host's idle calls, announcing its size, telling the host of gestures. It
// never changes its size, so hosts need not let users change it either.
void writeEditor(std::ostream& out, const std::string& uiBinary)
{
  out << "\n<" << kLv2UiUri << ">\n"
      << "    a ui:X11UI ;\n"
      << "    lv2:binary <" << uiBinary << "> ;\n"
      << "    lv2:requiredFeature ui:idleInterface, ui:parent ;\n"
      << "    lv2:optionalFeature ui:resize, ui:touch, ui:noUserResize ;\n"
      << "    lv2:extensionData ui:idleInterface .\n";
}

// `uiBinary` empty: a bundle without the editor (hosts show their own controls).
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): the plug-in's binary, then the editor's, as on the command line
std::string manifest(const std::string& binary, const std::string& uiBinary, const Programs& bank)
{
  std::ostringstream out;
  out << kPrefixes;
  out << "<" << kLv2PluginUri << ">\n"
      << "    a lv2:Plugin ;\n"
      << "    lv2:binary <" << binary << "> ;\n";
  if (!uiBinary.empty()) out << "    ui:ui <" << kLv2UiUri << "> ;\n";
  out << "    rdfs:seeAlso <brasklin.ttl> .\n";
  if (!uiBinary.empty()) writeEditor(out, uiBinary);
  for (std::size_t program = 0; program < bank.size(); ++program) {
    out << "\n<" << presetUri(program) << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << kLv2PluginUri << "> ;\n"
        << "    rdfs:seeAlso <presets.ttl> .\n";
  }
  return out.str();
}

std::string presets(const Programs& bank)
{
  std::ostringstream out;
  out << kPrefixes;
  for (std::size_t program = 0; program < bank.size(); ++program) {
    out << "<" << presetUri(program) << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo <" << kLv2PluginUri << "> ;\n"
        << "    rdfs:label " << quoted(bank[program].name) << " ;\n"
        << "    lv2:port";
    bool first = true;
    for (int32_t index = 0; index < kParameterCount; ++index) {
      if (portForParameter(index) == kNoPort) continue;
      out << (first ? " " : " , ") << "[\n"
          << "        lv2:symbol " << quoted(parameterInfo(index).symbol) << " ;\n"
          << "        pset:value " << number(portValue(index, bank[program].values[static_cast<std::size_t>(index)]))
          << "\n    ]";
      first = false;
    }
    out << " .\n\n";
  }
  return out.str();
}

bool writeFile(const std::filesystem::path& path, const std::string& text)
{
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file.flush());
}

bool parseVersion(const std::string& version, int& minor, int& micro)
{
  int major = 0;
  return std::sscanf(version.c_str(), "%d.%d.%d", &major, &minor, &micro) == 3 && minor >= 0 && micro >= 0;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 4 && argc != 5)
    return fail("usage: brasklin-lv2-description OUTPUT_FOLDER BINARY_FILE VERSION [UI_BINARY_FILE]");
  const std::string uiBinary = argc == 5 ? argv[4] : "";
  try {
    const std::filesystem::path folder = argv[1];
    int minor = 0;
    int micro = 0;
    if (!parseVersion(argv[3], minor, micro)) return fail(std::string("not a version: ") + argv[3]);
    const Programs bank = newEffectPrograms();
    std::filesystem::create_directories(folder);
    // The plug-in's description last: the build takes it as "all written".
    if (!writeFile(folder / "manifest.ttl", manifest(argv[2], uiBinary, bank)) ||
        !writeFile(folder / "presets.ttl", presets(bank)) ||
        !writeFile(folder / "brasklin.ttl", pluginDescription(minor, micro, bank.front())))
      return fail("cannot write into " + folder.string());
    return 0;
  } catch (const std::exception& e) {
    return fail(e.what());
  }
}
