// The LV2 edition as hosts meet it: the generated description read through
// lilv and lv2info, and the sound of the bundle's binary against the VST 2
// edition's, to the bit, for the same settings and the same block schedule.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/urid/urid.h>
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterText.h"
#include "effect/ParameterUnits.h"
#include "lv2/Lv2Identity.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/lv2/Lv2TestHost.h"

namespace {

constexpr double kRate = 44100.0;
const std::string kUnits = "http://lv2plug.in/ns/extensions/units#";
const std::string kLv2 = "http://lv2plug.in/ns/lv2core#";

float peak(const std::vector<float>& samples)
{
  float largest = 0.0f;
  for (const float sample : samples) largest = std::max(largest, std::fabs(sample));
  return largest;
}

std::string presetUri(std::size_t program)
{
  return std::string(kLv2PluginUri) + ":preset:" + std::to_string(program + 1);
}

std::vector<float> initialValues()
{
  std::vector<float> values;
  for (int32_t index = 0; index < kParameterCount; ++index) values.push_back(parameterInfo(index).initialValue);
  return values;
}

// A VST 2 effect (the reference) set to `values` through setParameter, in index order.
std::unique_ptr<PluginEffect> vst2Effect(const std::vector<float>& values)
{
  auto effect = effecttest::makeEffect(static_cast<float>(kRate));
  for (int32_t index = 0; index < kParameterCount; ++index)
    effect->setParameter(index, values[static_cast<std::size_t>(index)]);
  return effect;
}

std::string unitOf(lv2test::World& world, const LilvPort* port)
{
  LilvNodes* units = lilv_port_get_value(world.plugin(), port, world.uri(kUnits + "unit"));
  std::string unit;
  if (units != nullptr && lilv_nodes_size(units) == 1) unit = lilv_node_as_uri(lilv_nodes_get_first(units));
  lilv_nodes_free(units);
  return unit;
}

std::string expectedUnit(ParameterScale scale)
{
  switch (scale) {
    case ParameterScale::delaySeconds: return kUnits + "s";
    case ParameterScale::pitchRatio:
    case ParameterScale::cutOffRatio: return kUnits + "coef";
    case ParameterScale::volumeDecibels:
    case ParameterScale::gateDecibels: return kUnits + "db";
    case ParameterScale::glideMilliseconds: return kUnits + "ms";
    default: return "";
  }
}

class Lv2PluginTest : public ::testing::Test {
protected:
  effecttest::ShippedShapes shapes;
  lv2test::World world;
};

TEST_F(Lv2PluginTest, theDescriptionHasAPortForEverySettingWithItsSymbolUnitRangeAndPositions)
{
  const LilvPlugin* plugin = world.plugin();
  ASSERT_EQ(lilv_plugin_get_num_ports(plugin), portCount());
  EXPECT_EQ(portCount(), 3u + static_cast<uint32_t>(kParameterCount) - 1u) << "every parameter but 11 is a port";
  EXPECT_TRUE(lilv_plugin_has_feature(plugin, world.uri(kLv2 + "hardRTCapable")));
  const std::vector<float> defaults = lv2test::factoryPrograms().front();
  std::vector<float> minimum(portCount()), maximum(portCount()), initial(portCount());
  lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), initial.data());
  const struct {
    uint32_t port;
    const char* symbol;
    bool input;
  } audio[] = {{0, "in", true}, {1, "out_left", false}, {2, "out_right", false}};
  for (const auto& expected : audio) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, expected.port);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), expected.symbol);
    EXPECT_TRUE(lilv_port_is_a(plugin, port, world.uri(kLv2 + "AudioPort")));
    EXPECT_TRUE(lilv_port_is_a(plugin, port, world.uri(kLv2 + (expected.input ? "InputPort" : "OutputPort"))));
  }
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const ParameterInfo& info = parameterInfo(index);
    const uint32_t number = portForParameter(index);
    if (info.aliasOf != kNoAlias) {
      EXPECT_EQ(number, kNoPort) << index;
      continue;
    }
    EXPECT_EQ(parameterForPort(number), index);
    LilvNode* symbol = lilv_new_string(world.world(), info.symbol);
    const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symbol);
    lilv_node_free(symbol);
    ASSERT_NE(port, nullptr) << info.symbol;
    EXPECT_EQ(lilv_port_get_index(plugin, port), number) << info.symbol;
    LilvNode* name = lilv_port_get_name(plugin, port);
    EXPECT_EQ(lilv_node_as_string(name), plainParameterName(index));
    EXPECT_EQ(plainParameterName(index).front(), info.name[1]) << "the padding is gone";
    lilv_node_free(name);
    EXPECT_TRUE(lilv_port_is_a(plugin, port, world.uri(kLv2 + "ControlPort")));
    const UnitRange range = unitRange(index);
    EXPECT_EQ(minimum[number], range.minimum) << info.symbol;
    EXPECT_EQ(maximum[number], range.maximum) << info.symbol;
    EXPECT_EQ(initial[number], unitValueFor(index, defaults[static_cast<std::size_t>(index)]))
        << info.symbol << ": the default is program 0's";
    EXPECT_EQ(unitOf(world, port), expectedUnit(info.scale)) << info.symbol;
    const bool onOff = info.positions == 2;
    EXPECT_EQ(lilv_port_has_property(plugin, port, world.uri(kLv2 + "toggled")), onOff) << info.symbol;
    EXPECT_EQ(lilv_port_has_property(plugin, port, world.uri(kLv2 + "enumeration")), info.positions > 2) << info.symbol;
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
    std::map<int, std::string> named;
    LILV_FOREACH (scale_points, i, points) {
      const LilvScalePoint* point = lilv_scale_points_get(points, i);
      const auto value = static_cast<int>(std::lround(lilv_node_as_float(lilv_scale_point_get_value(point))));
      named[value] = lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(points);
    if (info.positions > 2) {
      ASSERT_EQ(named.size(), static_cast<std::size_t>(info.positions)) << info.symbol;
      for (int32_t position = 0; position < info.positions; ++position)
        EXPECT_EQ(named[position], positionName(index, position)) << info.symbol;
    } else if (const NamedValue* value = namedValueOf(index)) {
      EXPECT_EQ(named, (std::map<int, std::string>{{static_cast<int>(value->unitValue), value->name}})) << info.symbol;
    } else {
      EXPECT_TRUE(named.empty()) << info.symbol;
    }
  }
  // The names users read on the switches.
  EXPECT_STREQ(positionName(fftLengthParameter, 3), "8192");
  EXPECT_STREQ(positionName(filterTypeParameter, 0), "Off");
  EXPECT_STREQ(positionName(filterTypeParameter, 3), "Band-pass");
  EXPECT_STREQ(positionName(forthParameter, 3), "Distortion");
  EXPECT_STREQ(positionName(scaleParameter, 4), "Major Pentatonic");
  EXPECT_STREQ(positionName(keyParameter, 6), "F#/Gb");
  EXPECT_EQ(namedValueOf(gateParameter)->unitValue, -90.0f);
  EXPECT_STREQ(namedValueOf(gateParameter)->name, "off");
}

// Letters and digits only, in lower case: the VST 2 display writes some names
// its own way ("LOWPASS" for "Low-pass").
std::string letters(const std::string& text)
{
  std::string out;
  for (const char c : text)
    if (std::isalnum(static_cast<unsigned char>(c)) != 0)
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// lilv hands a port's scale points over in no fixed order (it keeps them in
// the order of their addresses in memory), so a host has to go by their
// values, as jalv does (it lists them sorted by value). What such a host
// relies on, for each labelled port: the values are distinct and exact,
// sorted by value the labels come in the switch's own order, the default is
// one of them, and each value, set on the plug-in, is the setting its label
// names (the effect shows that label for it, as a VST 2 host does).
TEST_F(Lv2PluginTest, everyScalePointIsTheSettingItsLabelNamesAndTheirValuesFollowTheLabelsOrder)
{
  const LilvPlugin* plugin = world.plugin();
  std::vector<float> minimum(portCount()), maximum(portCount()), initial(portCount());
  lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), initial.data());
  auto effect = effecttest::makeEffect(static_cast<float>(kRate));
  int labelledPorts = 0;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    const uint32_t number = portForParameter(index);
    if (number == kNoPort) continue;
    const ParameterInfo& info = parameterInfo(index);
    LilvScalePoints* points = lilv_port_get_scale_points(plugin, lilv_plugin_get_port_by_index(plugin, number));
    std::vector<std::pair<float, std::string>> byValue;
    LILV_FOREACH (scale_points, i, points) {
      const LilvScalePoint* point = lilv_scale_points_get(points, i);
      byValue.emplace_back(lilv_node_as_float(lilv_scale_point_get_value(point)),
                           lilv_node_as_string(lilv_scale_point_get_label(point)));
    }
    lilv_scale_points_free(points);
    if (byValue.empty()) continue;
    ++labelledPorts;
    std::sort(byValue.begin(), byValue.end());
    const bool enumeration = info.positions > 2;
    if (enumeration) {
      ASSERT_EQ(byValue.size(), static_cast<std::size_t>(info.positions)) << info.symbol;
      EXPECT_EQ(byValue.front().first, minimum[number]) << info.symbol;
      EXPECT_EQ(byValue.back().first, maximum[number]) << info.symbol;
    }
    bool defaultIsAPoint = false;
    for (std::size_t rank = 0; rank < byValue.size(); ++rank) {
      const auto& [value, label] = byValue[rank];
      const std::string where = std::string(info.symbol) + " = " + std::to_string(value) + " \"" + label + "\"";
      if (rank > 0) {
        EXPECT_LT(byValue[rank - 1].first, value) << where << ": values are distinct";
      }
      EXPECT_GE(value, minimum[number]) << where;
      EXPECT_LE(value, maximum[number]) << where;
      if (enumeration) {
        EXPECT_EQ(value, static_cast<float>(rank)) << where << ": the position is the value";
        EXPECT_EQ(label, positionName(index, static_cast<int32_t>(rank))) << where << ": the labels' order";
      }
      defaultIsAPoint = defaultIsAPoint || value == initial[number];
      effect->setParameter(index, normalisedFor(index, value));
      std::array<char, kParameterTextCapacity> shown{};
      effect->getParameterDisplay(index, shown.data());
      EXPECT_EQ(letters(shown.data()), letters(label)) << where << ": the setting the value selects";
      EXPECT_EQ(unitValueFor(index, effect->getParameter(index)), value) << where << ": reported back unchanged";
    }
    if (enumeration) {
      EXPECT_TRUE(defaultIsAPoint) << info.symbol;
    }
  }
  EXPECT_EQ(labelledPorts, 9) << "FFT length, Filter Type, the four slots, Scale, Key and the gate's \"off\"";
}

// What lv2info prints: the ports by symbol, the named positions and the
// sixteen factory presets by name.
TEST_F(Lv2PluginTest, lv2infoListsThePortsTheNamedPositionsAndTheSixteenPresets)
{
  const std::string command =
      "LV2_PATH='" BRASKLIN_LV2_PATH ":/usr/lib/lv2' lv2info " + std::string(kLv2PluginUri) + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string text;
  std::array<char, 4096> chunk{};
  while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe)) text.append(chunk.data(), got);
  ASSERT_EQ(pclose(pipe), 0) << text;
  EXPECT_NE(text.find("Pitch Shifter Plugin"), std::string::npos) << text;
  for (int32_t index = 0; index < kParameterCount; ++index) {
    if (const char* symbol = parameterInfo(index).symbol) {
      EXPECT_NE(text.find(std::string("Symbol:      ") + symbol + "\n"), std::string::npos) << symbol;
    }
    for (int32_t position = 0; position < parameterInfo(index).positions; ++position) {
      if (const char* name = positionName(index, position)) {
        EXPECT_NE(text.find(std::to_string(position) + " = \"" + name + "\""), std::string::npos) << name;
      }
    }
  }
  const std::string presets = text.substr(text.find("Presets:"), text.find("Port 0:") - text.find("Presets:"));
  const std::vector<std::string> names = lv2test::factoryProgramNames();
  ASSERT_EQ(names.size(), 16u);
  for (const std::string& name : names) EXPECT_NE(presets.find(" " + name + "\n"), std::string::npos) << name;
}

struct Setting {
  const char* name;
  std::vector<std::pair<int32_t, float>> values;  // normalised, over the initial ones
};

// Values that survive the trip into the ports' units and back with the same
// setting: switch positions, a delay of 0.5 s, ratios 5 and 0.2, cut-off
// factors 0.25 and 4, gains 0.5 (-6 dB) and 3.
const std::vector<Setting> kSettings{
    {"program 0 as created", {}},
    {"every stage on, precise, stablize, longest analysis",
     {{fftLengthParameter, 1.0f},
      {preciseParameter, 1.0f},
      {stablizeParameter, 1.0f},
      {pitchShiftParameter, 0.75f},
      {filterTypeParameter, 1.0f},
      {cutOffParameter, 0.25f},
      {resonanceParameter, 0.7f},
      {delayMixParameter, 0.5f},
      {delayTimeParameter, 0.1f},
      {delayFeedBackParameter, 0.6f},
      {driveParameter, 0.4f},
      {waveShapeParameter, 0.5f}}},
    {"order Delay, Mox, Filter, Distortion; last shape, quick detect, high-pass, shortest analysis",
     {{fftLengthParameter, 0.0f},
      {waveShapeParameter, 1.0f},
      {quickDetectParameter, 1.0f},
      {filterTypeParameter, 0.6f},
      {cutOffParameter, 0.75f},
      {pitchShiftParameter, 0.75f},
      {firstParameter, 0.7f},
      {secondParameter, 0.0f},
      {thirdParameter, 0.4f},
      {forthParameter, 1.0f},
      {driveParameter, 0.3f},
      {delayMixParameter, 0.4f},
      {delayTimeParameter, 0.1f},
      {volumeParameter, 0.25f}}},
    {"filter off, input through delay and distortion, louder",
     {{firstParameter, 0.7f},
      {filterTypeParameter, 0.0f},
      {delayMixParameter, 0.3f},
      {delayTimeParameter, 0.1f},
      {delayFeedBackParameter, 0.5f},
      {driveParameter, 0.6f},
      {volumeParameter, 0.75f}}},
};

TEST_F(Lv2PluginTest, rendersEqualTheVst2RendersToTheBitForEverySettingAndBlockSize)
{
  const std::vector<float> input = effecttest::sweep(80.0, 900.0, kRate, 22050, 0.6);
  for (const Setting& setting : kSettings) {
    std::vector<float> values = initialValues();
    for (const auto& [index, value] : setting.values) {
      values[static_cast<std::size_t>(index)] = value;
      // The port carries the unit value; it must come back as the same
      // setting: a switch in the same position, any other value to the bit.
      const float kept = keptValue(index, value);
      const float back = normalisedFor(index, unitValueFor(index, kept));
      if (parameterInfo(index).positions > 0) {
        EXPECT_EQ(switchPositionFor(index, back), switchPositionFor(index, kept)) << setting.name << ", " << index;
      } else {
        EXPECT_EQ(keptValue(index, back), kept) << setting.name << ", parameter " << index;
      }
    }
    for (const uint32_t blockSize : {1u, 64u, 333u, 1024u}) {
      const auto reference = vst2Effect(values);
      const std::vector<float> expected =
          effecttest::renderReplacing(*reference, input, static_cast<int32_t>(blockSize)).left;
      lv2test::Instance instance(world, kRate, blockSize);
      instance.setAll(values);
      const std::vector<float> rendered = instance.render(input, blockSize);
      ASSERT_EQ(rendered.size(), expected.size());
      const auto mismatch = std::mismatch(rendered.begin(), rendered.end(), expected.begin());
      EXPECT_EQ(mismatch.first, rendered.end()) << setting.name << ", blocks of " << blockSize
                                                << ": first difference at " << (mismatch.first - rendered.begin());
      EXPECT_GT(peak(expected), 0.01f) << setting.name << ": not silent";
      if (blockSize == 333) {
        // In place (input and output one buffer), which the chain must not
        // notice: a stage away from its home slot reads the input again.
        lv2test::Instance inPlace(world, kRate, blockSize);
        inPlace.setAll(values);
        EXPECT_TRUE(inPlace.renderInPlace(input, blockSize) == expected) << setting.name << ", in place";
      }
    }
  }
}

// A new VST 2 effect with program `program` selected, as a host selects it.
std::unique_ptr<PluginEffect> vst2WithProgram(std::size_t program)
{
  auto effect = effecttest::makeEffect(static_cast<float>(kRate));
  effect->setProgram(static_cast<int32_t>(program));
  return effect;
}

TEST_F(Lv2PluginTest, eachPresetAppliedThroughLilvRendersLikeTheMatchingVst2Program)
{
  const std::vector<float> input = effecttest::sweep(90.0, 700.0, kRate, 44100, 0.5);
  constexpr uint32_t kBlock = 256;
  for (std::size_t program = 0; program < 16; ++program) {
    const auto reference = vst2WithProgram(program);
    const std::vector<float> expected = effecttest::renderReplacing(*reference, input, kBlock).left;
    lv2test::Instance instance(world, kRate, kBlock);
    instance.setAll(initialValues());  // program 0's values: the preset must set the ports it changes
    instance.applyPreset(presetUri(program));
    const std::vector<float> rendered = instance.render(input, kBlock);
    EXPECT_TRUE(rendered == expected) << "preset " << program + 1;
  }
}

std::vector<float> readMono(const std::string& path, SF_INFO& info)
{
  info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

// lv2apply runs one frame per call, at the port defaults (program 0): the
// same samples as a new VST 2 effect in blocks of one.
TEST_F(Lv2PluginTest, lv2applyOnTheShippedExampleGivesTheBlockSizeOneVst2Render)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "lv2apply is not built with the sanitizer this plug-in binary needs loaded first";
#endif
  SF_INFO info{};
  const std::vector<float> example = readMono(BRASKLIN_EXAMPLE_WAV, info);
  ASSERT_EQ(info.channels, 1);
  ASSERT_EQ(info.samplerate, static_cast<int>(kRate));
  // A float copy of the example, so that lv2apply writes float samples too.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("brasklin-lv2apply-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string floatInput = (folder / "melody-float.wav").string();
  const std::string output = (folder / "out.wav").string();
  SF_INFO floatInfo{0, static_cast<int>(kRate), 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
  SNDFILE* file = sf_open(floatInput.c_str(), SFM_WRITE, &floatInfo);
  ASSERT_NE(file, nullptr);
  sf_writef_float(file, example.data(), static_cast<sf_count_t>(example.size()));
  sf_close(file);

  const std::string command = "LV2_PATH='" BRASKLIN_LV2_PATH ":/usr/lib/lv2' lv2apply -i '" + floatInput + "' -o '" +
                              output + "' " + kLv2PluginUri;
  ASSERT_EQ(std::system(command.c_str()), 0);
  SF_INFO outInfo{};
  const std::vector<float> applied = readMono(output, outInfo);
  std::filesystem::remove_all(folder);
  ASSERT_EQ(outInfo.channels, 2);
  ASSERT_EQ(applied.size(), 2 * example.size());

  // A new VST 2 effect plays program 0, which the ports' defaults are.
  const auto reference = effecttest::makeEffect(static_cast<float>(kRate));
  const std::vector<float> expected = effecttest::renderReplacing(*reference, example, 1).left;
  std::size_t differing = 0;
  for (std::size_t i = 0; i < example.size(); ++i) {
    differing += (applied[2 * i] != expected[i]) + (applied[2 * i + 1] != expected[i]);
  }
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(peak(expected), 0.05f);
}

// The host's log, as a test sees it: every line it was given.
struct CapturedLog {
  std::vector<std::string> lines;
  static int printf(LV2_Log_Handle handle, LV2_URID /*type*/, const char* format, ...)
  {
    std::array<char, 1024> line{};
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line.data(), line.size(), format, arguments);
    va_end(arguments);
    static_cast<CapturedLog*>(handle)->lines.emplace_back(line.data());
    return length;
  }
  static int vprintf(LV2_Log_Handle handle, LV2_URID /*type*/, const char* format, va_list arguments)
  {
    std::array<char, 1024> line{};
    const int length = std::vsnprintf(line.data(), line.size(), format, arguments);
    static_cast<CapturedLog*>(handle)->lines.emplace_back(line.data());
    return length;
  }
};

LV2_URID mapByCount(LV2_URID_Map_Handle handle, const char* /*uri*/) { return ++*static_cast<LV2_URID*>(handle); }

// robustness: LV2 bundle installed without its Brasklin shape folder => the plug-in instantiates, logs one error line through the host's log naming the folder, and writes silence (over whatever the host left in the outputs)
TEST(Lv2BundleTest, aBundleWithoutItsShapeFolderLoadsSilentAndLogsOneLine)
{
  const std::filesystem::path lv2Path =
      std::filesystem::temp_directory_path() / ("brasklin-lv2-noshapes-" + std::to_string(getpid()));
  const std::filesystem::path bundle = lv2Path / "brasklin.lv2";
  std::filesystem::create_directories(bundle);
  for (const auto& entry : std::filesystem::directory_iterator(BRASKLIN_LV2_PATH "/brasklin.lv2")) {
    if (entry.is_regular_file()) std::filesystem::copy_file(entry.path(), bundle / entry.path().filename());
  }
  {
    lv2test::World world(lv2Path.string() + ":/usr/lib/lv2");
    CapturedLog log;
    LV2_Log_Log logFeatureData{&log, &CapturedLog::printf, &CapturedLog::vprintf};
    LV2_URID counter = 0;
    LV2_URID_Map map{&counter, &mapByCount};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature logFeature{LV2_LOG__log, &logFeatureData};
    const LV2_Feature* features[] = {&mapFeature, &logFeature, nullptr};
    LilvInstance* instance = lilv_plugin_instantiate(world.plugin(), kRate, features);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_NE(log.lines[0].find((bundle / "Brasklin").string()), std::string::npos) << log.lines[0];
    std::vector<float> in(64, 0.5f), left(64, 7.0f), right(64, 7.0f);
    std::vector<float> controls(portCount(), 0.0f);
    for (uint32_t port = kFirstControlPort; port < portCount(); ++port)
      lilv_instance_connect_port(instance, port, &controls[port]);
    lilv_instance_connect_port(instance, kAudioInputPort, in.data());
    lilv_instance_connect_port(instance, kFirstAudioOutputPort, left.data());
    lilv_instance_connect_port(instance, kFirstAudioOutputPort + 1, right.data());
    lilv_instance_activate(instance);
    lilv_instance_run(instance, 64);
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    EXPECT_TRUE(std::all_of(left.begin(), left.end(), [](float s) { return s == 0.0f; }));
    EXPECT_TRUE(std::all_of(right.begin(), right.end(), [](float s) { return s == 0.0f; }));
  }
  std::filesystem::remove_all(lv2Path);
}

}  // namespace
