// brasklin-render: runs Brasklin (or another plug-in of the same interface)
// over an audio file, exactly as a host would, and writes the result.
#include "tools/render/AudioFiles.h"
#include "tools/render/PluginHost.h"
#include "tools/render/PresetTransfer.h"
#include "tools/render/Render.h"
#include "tools/render/Spectrogram.h"

#include "BrasklinVersion.h"

#include <CLI/CLI.hpp>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kUsageError = 2;
constexpr int kRenderError = 1;

struct Options {
  std::string input;
  std::string output;
  std::string plugin;
  std::optional<int> program;
  std::vector<std::string> settings;
  std::string bank;
  std::string preset;
  std::string saveBank;
  std::string savePreset;
  int blockSize = 512;
  bool accumulate = false;
  double tail = 0.0;
  int channel = 1;
  bool mix = false;
  bool mono = false;
  int bits = 0;
  bool list = false;
  bool quiet = false;
  std::string spectrogram;
};

int fail(const std::string& message, int status = kRenderError)
{
  std::cerr << "brasklin-render: " << message << "\n";
  return status;
}

// The plug-in built beside this program: <dir of executable>/brasklin.so, or
// the build tree's layout when run from there.
std::string defaultPluginPath(const char* argv0)
{
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv0, ec);
  const std::filesystem::path dir = self.parent_path();
  for (const auto& candidate :
       {dir / "brasklin.so", dir / ".." / ".." / "vst2" / "brasklin.so", dir / ".." / "lib" / "vst" / "brasklin.so"}) {
    if (std::filesystem::exists(candidate, ec)) return std::filesystem::weakly_canonical(candidate, ec).string();
  }
  return (dir / "brasklin.so").string();
}

bool samePath(const std::string& a, const std::string& b)
{
  std::error_code ec;
  if (std::filesystem::exists(b, ec) && std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::weakly_canonical(a, ec) == std::filesystem::weakly_canonical(b, ec);
}

// Applies one --set NAME=VALUE or INDEX=VALUE; returns an error text or "".
std::string applySetting(PluginHost& plugin, const std::string& setting)
{
  const size_t equals = setting.rfind('=');
  if (equals == std::string::npos) return "--set needs NAME=VALUE or INDEX=VALUE, got '" + setting + "'";
  const std::string key = setting.substr(0, equals);
  const std::string valueText = setting.substr(equals + 1);
  char* end = nullptr;
  const float value = std::strtof(valueText.c_str(), &end);
  if (valueText.empty() || end == valueText.c_str() || *end != '\0' || !std::isfinite(value))
    return "value for '" + key + "' is not a number: '" + valueText + "'";
  std::optional<int32_t> index;
  char* indexEnd = nullptr;
  const long number = std::strtol(key.c_str(), &indexEnd, 10);
  if (!key.empty() && *indexEnd == '\0') {
    if (number < 0 || number >= plugin.numParams())
      return "parameter index " + key + " is out of range (0 to " + std::to_string(plugin.numParams() - 1) + ")";
    index = static_cast<int32_t>(number);
  } else {
    index = plugin.findParameter(key);
    if (!index) return "unknown parameter name '" + key + "' (see --list)";
  }
  plugin.setParameter(*index, value);
  return "";
}

void printListing(PluginHost& plugin)
{
  const AEffect& d = plugin.descriptor();
  const auto id = static_cast<uint32_t>(d.uniqueID);
  char idText[5] = {static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                    static_cast<char>(id), 0};
  std::printf("unique id: '%s' (0x%08X)\n", idText, id);
  std::printf("inputs: %d\noutputs: %d\nparameters: %d\nprograms: %d\nflags: %d\n", d.numInputs, d.numOutputs,
              d.numParams, d.numPrograms, d.flags);
  std::printf("\nparameters (index | name | value | display | label):\n");
  for (int32_t i = 0; i < plugin.numParams(); ++i) {
    const ParameterInfo p = plugin.parameter(i);
    std::printf("%3d | %-17s | %.6f | %-12s | %s\n", p.index, ("\"" + p.name + "\"").c_str(),
                static_cast<double>(p.value), p.display.c_str(), p.label.c_str());
  }
  // The interface has no call that reads another program's name, so select
  // each program in turn, as hosts of its age do, and come back.
  std::printf("\nprograms:\n");
  const int32_t current = plugin.program();
  for (int32_t i = 0; i < plugin.numPrograms(); ++i) {
    plugin.setProgram(i);
    std::printf("%3d | %s\n", i, plugin.programName().c_str());
  }
  plugin.setProgram(current);
}

// The preset files named on the command line, read and checked before the
// plug-in is touched, so a bad file stops the run before anything happens.
struct RequestedPresets {
  std::optional<PresetBank> bank;
  std::optional<PresetProgram> preset;
};

std::string readRequestedPresets(const Options& options, int32_t pluginId, RequestedPresets& presets)
{
  std::string bytes;
  std::string error;
  if (!options.bank.empty()) {
    PresetBank bank;
    if (!readPresetBytes(options.bank, bytes, error)) return error;
    if (!readBankFile(bytes, pluginId, bank, error)) return "cannot load bank " + options.bank + ": " + error;
    presets.bank = std::move(bank);
  }
  if (!options.preset.empty()) {
    PresetProgram preset;
    if (!readPresetBytes(options.preset, bytes, error)) return error;
    if (!readProgramFile(bytes, pluginId, preset, error)) return "cannot load preset " + options.preset + ": " + error;
    presets.preset = std::move(preset);
  }
  return "";
}

// --bank, then --program, then --preset into the current program, then every
// --set in order. Returns an error text or "".
std::string applyRequestedState(PluginHost& plugin, const Options& options, const RequestedPresets& presets)
{
  // Read before anything changes them: what a shorter file's programs give
  // the parameters they lack.
  const std::vector<float> opening = openingValues(plugin);
  if (presets.bank) {
    const std::string problem = loadBank(plugin, *presets.bank, opening);
    if (!problem.empty()) return "cannot load bank " + options.bank + ": " + problem;
  }
  if (options.program) plugin.setProgram(*options.program);
  if (presets.preset) {
    const std::string problem = loadProgram(plugin, *presets.preset, opening);
    if (!problem.empty()) return "cannot load preset " + options.preset + ": " + problem;
  }
  for (const std::string& setting : options.settings) {
    const std::string problem = applySetting(plugin, setting);
    if (!problem.empty()) return problem;
  }
  return "";
}

// The --save-bank and --save-preset files, written beside their names but not
// yet in place: they appear only once everything else has succeeded.
bool prepareSaves(PluginHost& plugin, const Options& options, std::vector<PendingFile>& saves, std::string& error)
{
  const PresetOwner owner = presetOwner(plugin);
  if (!options.saveBank.empty()) {
    PresetBank bank;
    if (!captureBank(plugin, bank, error)) return false;
    saves.emplace_back();
    if (!saves.back().prepare(options.saveBank, writeBankFile(bank, owner), error)) return false;
  }
  if (!options.savePreset.empty()) {
    PresetProgram program;
    if (!captureProgram(plugin, program, error)) return false;
    saves.emplace_back();
    if (!saves.back().prepare(options.savePreset, writeProgramFile(program, owner), error)) return false;
  }
  return true;
}

// Which of the files named on the command line must not be the same file.
std::string pathClash(const Options& options)
{
  const std::vector<std::pair<std::string, std::string>> named = {
      {"--save-bank", options.saveBank}, {"--save-preset", options.savePreset}, {"the output", options.output}};
  const std::vector<std::string> readFrom = {options.input, options.bank, options.preset};
  for (size_t i = 0; i < named.size(); ++i) {
    if (named[i].second.empty()) continue;
    for (const std::string& source : readFrom) {
      if (!source.empty() && samePath(source, named[i].second))
        return named[i].first + " must not overwrite a file it reads: " + named[i].second;
    }
    for (size_t j = i + 1; j < named.size(); ++j) {
      if (!named[j].second.empty() && samePath(named[i].second, named[j].second))
        return named[i].first + " and " + named[j].first + " name the same file: " + named[i].second;
    }
  }
  return "";
}

class ProgressBar {
public:
  explicit ProgressBar(bool enabled) : enabled_(enabled) {}
  void operator()(double fraction)
  {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (fraction < 1.0 && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const int width = 40;
    const int filled = static_cast<int>(fraction * width);
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), ' ').c_str(), static_cast<int>(fraction * 100));
    if (fraction >= 1.0) std::fprintf(stderr, "\n");
  }

private:
  bool enabled_;
  std::chrono::steady_clock::time_point last_{};
};

int run(const Options& options, const char* argv0)
{
  const auto started = std::chrono::steady_clock::now();
  const std::string pluginPath = options.plugin.empty() ? defaultPluginPath(argv0) : options.plugin;

  PluginHost plugin;
  if (!plugin.load(pluginPath)) {
    std::string message = plugin.error();
    if (!plugin.pluginOutput().empty()) message += "\nthe plug-in said:\n" + plugin.pluginOutput();
    return fail(message);
  }
  if (!plugin.pluginOutput().empty()) std::cerr << plugin.pluginOutput();

  if (options.program && (*options.program < 0 || *options.program >= plugin.numPrograms()))
    return fail("program " + std::to_string(*options.program) + " is out of range (0 to " +
                    std::to_string(plugin.numPrograms() - 1) + ")",
                kUsageError);
  RequestedPresets presets;
  const std::string presetProblem = readRequestedPresets(options, plugin.descriptor().uniqueID, presets);
  if (!presetProblem.empty()) return fail(presetProblem);

  if (options.list) {
    plugin.start(44100.0, options.blockSize);
    const std::string problem = applyRequestedState(plugin, options, presets);
    if (!problem.empty()) return fail(problem, kUsageError);
    printListing(plugin);
    return 0;
  }

  // Only saving, with no audio to render: the files are written from the
  // programs as loaded and set.
  const bool saving = !options.saveBank.empty() || !options.savePreset.empty();
  const bool rendering = !options.input.empty() || !options.output.empty() || !saving;
  if (rendering && (options.input.empty() || options.output.empty()))
    return fail("give an input and an output file (see --help)", kUsageError);
  if (rendering && samePath(options.input, options.output))
    return fail("the output must not overwrite the input: " + options.output, kUsageError);
  const std::string clash = pathClash(options);
  if (!clash.empty()) return fail(clash, kUsageError);
  if (rendering) {
    const std::string formatProblem = checkOutputFormat(options.output, OutputFormat{options.bits});
    if (!formatProblem.empty()) return fail(formatProblem, kUsageError);
  }

  AudioClip input;
  std::string error;
  std::vector<float> source;
  if (rendering) {
    if (!readAudioFile(options.input, input, error)) return fail(error);
    if (!options.mix && options.channel > input.channels)
      return fail("--channel " + std::to_string(options.channel) + ": the input has " + std::to_string(input.channels) +
                      " channel(s)",
                  kUsageError);
    source = pickChannel(input, options.mix ? -1 : options.channel - 1);
  } else {
    input.sampleRate = 44100.0;
  }

  plugin.start(input.sampleRate, options.blockSize);
  const std::string problem = applyRequestedState(plugin, options, presets);
  if (!problem.empty()) return fail(problem, kUsageError);

  AudioClip output;
  double seconds = 0.0;
  if (rendering) {
    RenderSettings settings;
    settings.blockSize = options.blockSize;
    settings.accumulate = options.accumulate;
    settings.tailSeconds = options.tail;
    settings.mono = options.mono;
    seconds = static_cast<double>(source.size()) / input.sampleRate + options.tail;
    ProgressBar progress(!options.quiet && seconds > 1.0 && isatty(STDERR_FILENO));
    output = renderThroughPlugin(plugin, source, input.sampleRate, settings, std::ref(progress));
  }
  // Saved after the render: reading a bank back selects every program in
  // turn, which a plug-in that keeps no edits in its programs would feel.
  std::vector<PendingFile> saves;
  if (!prepareSaves(plugin, options, saves, error)) return fail(error);
  plugin.stop();

  if (rendering && !writeAudioFile(options.output, output, OutputFormat{options.bits}, error)) return fail(error);
  for (PendingFile& save : saves) {
    if (!save.commit(error)) return fail(error);
  }
  if (rendering && !options.spectrogram.empty()) {
    if (!writeSpectrogramPng(options.spectrogram, source, pickChannel(output, 0), input.sampleRate, error))
      return fail(error);
  }

  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (!options.quiet && rendering) {
    std::printf("rendered %.2f s of audio in %.3f s (%.0fx real time) -> %s\n", seconds, wall,
                wall > 0 ? seconds / wall : 0.0, options.output.c_str());
  }
  return 0;
}

int parseAndRun(int argc, char** argv)
{
  CLI::App app{"brasklin-render: run the Brasklin plug-in over an audio file, as a host would."};
  app.footer(
      "Examples:\n"
      "  brasklin-render examples/melody.wav out.wav\n"
      "  brasklin-render in.flac out.wav --program 3 --set \"Delay Mix=0.4\" --set 9=0.1 --tail 2\n"
      "  brasklin-render voice.wav out.wav --set \"Filter Type=0.9\" --spectrogram out.png\n"
      "  brasklin-render in.wav out.wav --bank \"Brasklin Factory.fxb\" --program 4\n"
      "  brasklin-render --bank mine.fxb --set \"Drive=0.3\" --save-preset loud.fxp\n"
      "  brasklin-render --list\n"
      "Parameter values are normalised, 0 to 1. Names match ignoring surrounding spaces and case.");
  Options options;
  app.add_option("input", options.input, "Input audio file (WAV, AIFF, FLAC, ...)");
  app.add_option("output", options.output, "Output file; its extension picks the format (.wav, .aiff, .flac)");
  app.add_option("--plugin", options.plugin,
                 "Plug-in binary to load (default: the Brasklin built beside this program)");
  app.add_option("--bank", options.bank, "Load every program of this bank file (.fxb), then select program 0");
  app.add_option("--program", options.program, "Select this program (0-based) before the settings");
  app.add_option("--preset", options.preset, "Load this program file (.fxp) into the current program");
  app.add_option("--set", options.settings,
                 "NAME=VALUE or INDEX=VALUE, applied in order after --bank, --program and --preset")
      ->allow_extra_args(false);
  app.add_option("--block-size", options.blockSize, "Frames per audio block")->check(CLI::Range(1, 1 << 20));
  app.add_flag("--accumulate", options.accumulate, "Use the accumulating process instead of processReplacing");
  app.add_option("--tail", options.tail, "Seconds of silence rendered after the input")->check(CLI::Range(0.0, 3600.0));
  auto* channel =
      app.add_option("--channel", options.channel, "Input channel to use, from 1")->check(CLI::PositiveNumber);
  app.add_flag("--mix", options.mix, "Average all input channels")->excludes(channel);
  app.add_flag("--mono", options.mono, "Write only the first output");
  app.add_option("--bits", options.bits, "Output sample format: 16, 24, or 32 (float)")
      ->check(CLI::IsMember({16, 24, 32}));
  app.add_option("--save-bank", options.saveBank,
                 "Save all programs as a bank file (.fxb), after the presets and settings; no input needed");
  app.add_option("--save-preset", options.savePreset,
                 "Save the current program as a program file (.fxp), after the presets and settings");
  app.add_flag("--list", options.list, "Show the plug-in's identity, parameters and programs (after --bank etc.)");
  app.add_flag("--quiet,-q", options.quiet, "No progress bar and no summary");
  app.add_option("--spectrogram", options.spectrogram, "Also write input and output spectrograms to this PNG");
  // The renderer is built with the plug-in, so it carries the same version.
  app.set_version_flag("--version", std::string("brasklin-render ") + kBrasklinVersionText,
                       "Show the version of Brasklin this renderer belongs to");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kUsageError;
  }
  return run(options, argv[0]);
}

}  // namespace

int main(int argc, char** argv)
{
  try {
    return parseAndRun(argc, argv);
  } catch (const std::exception& e) {
    // Out of memory for a very long file, or a file system error: still one
    // line and a failure status, never an abort.
    return fail(e.what());
  }
}
