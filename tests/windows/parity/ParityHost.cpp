// A minimal offline host built for Linux and for Windows from this one file, so
// the two builds of the plug-in can be driven identically and their output
// compared sample for sample:
//
//   brasklin_parity_host input  <input.f32>
//       writes the test signal (mono float32). It is made once, on one system,
//       so both renders read the very same samples whatever each C library's
//       sin() rounds to.
//   brasklin_parity_host render <plug-in module> <input.f32> <case> <replacing|accumulating> <output.f32>
//       loads the module the way a host of that system does, plays the input
//       through it in blocks of changing sizes with the case's settings and
//       writes both output channels interleaved (float32).
//   brasklin_parity_host answers <plug-in module> <output.txt>
//       writes, one per line, what the plug-in answers to the questions a
//       VST 2.4 host asks besides audio (names, version, automation, program
//       names, switch properties, tail at several settings, can-do texts);
//       the Linux and Windows files must be identical.
//   brasklin_parity_host compare <a.f32> <b.f32> <tolerance>
//       prints the largest sample difference; fails when it exceeds the
//       tolerance, when the lengths differ or when there is nothing to compare.
//
// Cases: "default" (program 0 at 44100 Hz), "allstages" (every stage on, the
// stage order reversed, 48000 Hz) and "programs" (program changes and
// automation while playing, 44100 Hz).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "vst2/interface/AEffect.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX  // keep std::min usable
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

using EntryFunction = AEffect* (*)(audioMasterCallback);

constexpr int kMaxBlock = 4096;
// The plug-in's parameters, every one of which the renders automate.
constexpr int32_t kParameterCount = 24;
// Odd and even, tiny and large: block edges land everywhere in the signal.
constexpr int kBlockPattern[] = {512, 1, 100, 4096, 333, 2048, 7, 64, 1000};

intptr_t hostCallback(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/,
                      float /*opt*/)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

EntryFunction loadEntry(const std::string& path)
{
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "LoadLibrary(%s) failed: error %lu\n", path.c_str(), GetLastError());
    return nullptr;
  }
  return reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(GetProcAddress(module, "main")));
#else
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "dlopen(%s) failed: %s\n", path.c_str(), dlerror());
    return nullptr;
  }
  return reinterpret_cast<EntryFunction>(dlsym(module, "main"));
#endif
}

std::vector<float> readFloats(const std::string& path)
{
  std::vector<float> samples;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return samples;
  }
  float chunk[4096];
  size_t count = 0;
  while ((count = std::fread(chunk, sizeof(float), 4096, file)) > 0) {
    samples.insert(samples.end(), chunk, chunk + count);
  }
  std::fclose(file);
  return samples;
}

bool writeFloats(const std::string& path, const std::vector<float>& samples)
{
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  const bool complete = std::fwrite(samples.data(), sizeof(float), samples.size(), file) == samples.size();
  return std::fclose(file) == 0 && complete;
}

// Three seconds of something a pitch tracker has to work at: a melody of
// notes with glides, a harmonic, a decaying envelope per note, a quiet gap
// and a little noise from a fixed generator.
std::vector<float> makeInput()
{
  constexpr double rate = 44100.0;
  constexpr double pi = 3.14159265358979323846;
  const double notes[] = {110.0, 164.8, 220.0, 146.8, 329.6, 98.0, 261.6, 196.0};
  std::vector<float> samples(static_cast<size_t>(3 * rate));
  uint32_t noise = 12345u;
  double phase = 0.0;
  for (size_t i = 0; i < samples.size(); ++i) {
    const double t = static_cast<double>(i) / rate;
    const size_t note = static_cast<size_t>(t / 0.375) % (sizeof notes / sizeof notes[0]);
    const double inNote = std::fmod(t, 0.375);
    const double glide = 1.0 + 0.05 * std::min(inNote / 0.05, 1.0);
    phase += 2.0 * pi * notes[note] * glide / rate;
    const double envelope = (t > 1.5 && t < 1.7) ? 0.0 : 0.8 * std::exp(-3.0 * inNote);
    noise = noise * 1664525u + 1013904223u;
    const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.01;
    samples[i] = static_cast<float>(envelope * (std::sin(phase) + 0.3 * std::sin(2.0 * phase)) + hiss);
  }
  return samples;
}

struct Settings {
  float sampleRate = 44100.0f;
  std::vector<std::pair<int32_t, float>> parameters;
  bool changePrograms = false;
};

Settings settingsFor(const std::string& name, bool& known)
{
  known = true;
  Settings settings;
  if (name == "default") {
    return settings;
  }
  if (name == "allstages") {
    settings.sampleRate = 48000.0f;
    settings.parameters = {
        {0, 0.5f},  {1, 0.8f},  {2, 1.0f},         {3, 1.0f},         {4, 0.6f},  {5, 0.4f},
        {6, 0.7f},  {7, 0.6f},  {8, 0.4f},         {9, 0.3f},         {10, 0.5f}, {12, 0.3f},
        {13, 0.6f}, {14, 1.0f}, {15, 2.0f / 3.0f}, {16, 1.0f / 3.0f}, {17, 0.0f},
    };
    return settings;
  }
  if (name == "programs") {
    settings.changePrograms = true;
    return settings;
  }
  known = false;
  return settings;
}

// NOLINTBEGIN(bugprone-easily-swappable-parameters): the order of the command line this serves
int render(const std::string& modulePath, const std::string& inputPath, const std::string& caseName,
           const std::string& mode, const std::string& outputPath)
// NOLINTEND(bugprone-easily-swappable-parameters)
{
  bool known = false;
  const Settings settings = settingsFor(caseName, known);
  if (!known || (mode != "replacing" && mode != "accumulating")) {
    std::fprintf(stderr, "unknown case or mode: %s %s\n", caseName.c_str(), mode.c_str());
    return 2;
  }
  const std::vector<float> input = readFloats(inputPath);
  if (input.empty()) {
    return 1;
  }
  EntryFunction entry = loadEntry(modulePath);
  if (entry == nullptr) {
    std::fprintf(stderr, "no entry named main in %s\n", modulePath.c_str());
    return 1;
  }
  AEffect* effect = entry(hostCallback);
  if (effect == nullptr) {
    std::fprintf(stderr, "main returned no effect\n");
    return 1;
  }

  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, settings.sampleRate);
  effect->dispatcher(effect, effSetBlockSize, 0, kMaxBlock, nullptr, 0.0f);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
  for (const auto& [index, value] : settings.parameters) {
    effect->setParameter(effect, index, value);
  }

  const bool accumulating = mode == "accumulating";
  std::vector<float> left(kMaxBlock);
  std::vector<float> right(kMaxBlock);
  std::vector<float> output;
  output.reserve(input.size() * 2);
  size_t position = 0;
  size_t block = 0;
  while (position < input.size()) {
    if (settings.changePrograms && block % 40 == 0) {
      effect->dispatcher(effect, effSetProgram, 0, static_cast<intptr_t>((block / 40) % 16), nullptr, 0.0f);
    }
    if (settings.changePrograms && block % 13 == 5) {
      // Automation from the host while playing, over every parameter in turn.
      const auto index = static_cast<int32_t>(block % kParameterCount);
      effect->setParameter(effect, index, static_cast<float>((block * 37) % 101) / 100.0f);
    }
    const size_t pattern = sizeof kBlockPattern / sizeof kBlockPattern[0];
    const int frames = static_cast<int>(
        std::min<size_t>(static_cast<size_t>(kBlockPattern[block % pattern]), input.size() - position));
    // The accumulating routine adds to what the host's buses already hold.
    for (int i = 0; i < frames; ++i) {
      const float bus = accumulating ? 0.25f * input[input.size() - 1 - position - static_cast<size_t>(i)] : 0.0f;
      left[static_cast<size_t>(i)] = bus;
      right[static_cast<size_t>(i)] = -bus;
    }
    float* inputs[2] = {const_cast<float*>(input.data() + position), const_cast<float*>(input.data() + position)};
    float* outputs[2] = {left.data(), right.data()};
    if (accumulating) {
      effect->process(effect, inputs, outputs, frames);
    } else {
      effect->processReplacing(effect, inputs, outputs, frames);
    }
    for (int i = 0; i < frames; ++i) {
      output.push_back(left[static_cast<size_t>(i)]);
      output.push_back(right[static_cast<size_t>(i)]);
    }
    position += static_cast<size_t>(frames);
    ++block;
  }

  effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return writeFloats(outputPath, output) ? 0 : 1;
}

int answers(const std::string& modulePath, const std::string& outputPath)
{
  EntryFunction entry = loadEntry(modulePath);
  AEffect* effect = entry != nullptr ? entry(hostCallback) : nullptr;
  if (effect == nullptr) {
    std::fprintf(stderr, "no effect from %s\n", modulePath.c_str());
    return 1;
  }
  FILE* out = std::fopen(outputPath.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "cannot write %s\n", outputPath.c_str());
    return 1;
  }
  const auto ask = [effect](int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr) {
    return static_cast<long long>(effect->dispatcher(effect, opcode, index, value, ptr, 0.0f));
  };
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  for (int32_t opcode : {effGetEffectName, effGetVendorString, effGetProductString}) {
    char text[80] = {};
    const long long result = ask(opcode, 0, 0, text);
    std::fprintf(out, "text %d: %lld \"%s\"\n", opcode, result, text);
  }
  for (int32_t opcode : {effGetVendorVersion, effGetPlugCategory, effGetVstVersion}) {
    std::fprintf(out, "number %d: %lld\n", opcode, ask(opcode));
  }
  std::fprintf(out, "flags: %d\n", effect->flags);
  for (int32_t index = -1; index <= kParameterCount; ++index) {
    std::fprintf(out, "automatable %d: %lld\n", index, ask(effCanBeAutomated, index));
  }
  for (const char* can : {"plugAsChannelInsert", "plugAsSend", "sendVstEvents", "receiveVstMidiEvent",
                          "receiveVstTimeInfo", "offline", ""}) {
    std::string text = can;
    std::fprintf(out, "can do \"%s\": %lld\n", can, ask(effCanDo, 0, 0, &text[0]));
  }
  effect->dispatcher(effect, effSetProgram, 0, 2, nullptr, 0.0f);
  char name[] = "Second program";
  effect->dispatcher(effect, effSetProgramName, 0, 0, name, 0.0f);
  effect->dispatcher(effect, effSetProgram, 0, 0, nullptr, 0.0f);
  for (int32_t program = -1; program <= 16; ++program) {
    char text[kVstMaxProgramNameBytes] = "-";
    const long long result = ask(effGetProgramNameIndexed, program, -1, text);
    std::fprintf(out, "program %d: %lld \"%s\"\n", program, result, text);
  }
  for (int32_t index = 0; index < kParameterCount; ++index) {
    VstParameterProperties properties{};
    const long long result = ask(effGetParameterProperties, index, 0, &properties);
    std::fprintf(out, "properties %d: %lld flags %d steps %.9g/%.9g/%.9g integers %d..%d step %d/%d\n", index, result,
                 properties.flags, static_cast<double>(properties.stepFloat),
                 static_cast<double>(properties.smallStepFloat), static_cast<double>(properties.largeStepFloat),
                 properties.minInteger, properties.maxInteger, properties.stepInteger, properties.largeStepInteger);
  }
  // The tail as settings change one after the other (index, value).
  const std::pair<int32_t, float> steps[] = {{8, 0.5f},  {9, 0.3f},  {10, 0.7f}, {7, 0.6f}, {1, 1.0f},
                                             {10, 1.0f}, {10, 0.2f}, {5, 0.0f},  {8, 0.0f}, {14, 1.0f}};
  std::fprintf(out, "tail: %lld\n", ask(effGetTailSize));
  for (const auto& [index, value] : steps) {
    effect->setParameter(effect, index, value);
    std::fprintf(out, "tail after %d = %g: %lld\n", index, static_cast<double>(value), ask(effGetTailSize));
  }
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return std::fclose(out) == 0 ? 0 : 1;
}

int compare(const std::string& pathA, const std::string& pathB, double tolerance)
{
  const std::vector<float> a = readFloats(pathA);
  const std::vector<float> b = readFloats(pathB);
  if (a.empty() || a.size() != b.size()) {
    std::printf("FAIL %s: %zu samples against %zu\n", pathB.c_str(), a.size(), b.size());
    return 1;
  }
  double largest = 0.0;
  size_t where = 0;
  size_t silentA = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const bool nanA = std::isnan(a[i]);
    if (nanA != std::isnan(b[i])) {
      std::printf("FAIL %s: NaN in one render only at sample %zu\n", pathB.c_str(), i);
      return 1;
    }
    const double difference = nanA ? 0.0 : std::fabs(static_cast<double>(a[i]) - static_cast<double>(b[i]));
    if (difference > largest) {
      largest = difference;
      where = i;
    }
    silentA += a[i] == 0.0f ? 1 : 0;
  }
  // A plug-in that failed to load its shapes stays silent on both systems,
  // which would compare equal: that is not parity.
  if (silentA == a.size()) {
    std::printf("FAIL %s: both renders are silent\n", pathB.c_str());
    return 1;
  }
  const bool within = largest <= tolerance;
  std::printf("%s %s: max difference %.3g at sample %zu of %zu\n", within ? "ok  " : "FAIL", pathB.c_str(), largest,
              where, a.size());
  return within ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "input") {
    return writeFloats(args[1], makeInput()) ? 0 : 1;
  }
  if (args.size() == 6 && args[0] == "render") {
    return render(args[1], args[2], args[3], args[4], args[5]);
  }
  if (args.size() == 3 && args[0] == "answers") {
    return answers(args[1], args[2]);
  }
  if (args.size() == 4 && args[0] == "compare") {
    return compare(args[1], args[2], std::stod(args[3]));
  }
  std::fprintf(stderr,
               "usage: brasklin_parity_host input <out.f32>\n"
               "       brasklin_parity_host render <module> <input.f32> <default|allstages|programs> "
               "<replacing|accumulating> <out.f32>\n"
               "       brasklin_parity_host answers <module> <out.txt>\n"
               "       brasklin_parity_host compare <a.f32> <b.f32> <tolerance>\n");
  return 2;
}
