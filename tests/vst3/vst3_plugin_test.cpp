// The VST 3 edition driven through its bundle by the tests' own host, as
// hosts drive it: the factory, the two objects, their connection, the buses,
// the parameters and programs as hosts list them, processing with parameter
// queues, the state, and the calls a hostile host makes. Its sound is
// compared to the VST 2 edition's, to the bit, for the same settings and the
// same block schedule.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "BrasklinVersion.h"
#include "effect/ParameterTable.h"
#include "effect/ParameterText.h"
#include "effect/ParameterUnits.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/vst3/Vst3TestHost.h"

using namespace vst3;
using vst3test::MemoryStream;
using vst3test::Module;
using vst3test::ParameterChanges;
using vst3test::Plugin;

namespace {

constexpr double kRate = 44100.0;
constexpr ParamID kProgramId = 0x10000;   // the program selector
constexpr int32_t kProgramSelector = -1;  // a Change of the program

std::u16string text16(const char16_t* text) { return std::u16string(text); }
std::u16string text16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

int32_t steps(int32_t index) { return std::max(parameterInfo(index).positions - 1, 0); }

// The VST 3 value that gives the effect `value` of `index` (VST 2's value):
// a switch's position k as k / n, anything else as it is.
double vst3Value(int32_t index, float value)
{
  if (steps(index) == 0) return static_cast<double>(value);
  return static_cast<double>(switchPositionFor(index, value)) / steps(index);
}

struct Change {
  int32_t frame;
  int32_t index;  // kProgramSelector: `value` is the program
  float value;
};

// The same changes through both editions: VST 2 by setProgram /
// setParameter between pieces split at every change, VST 3 by queue points
// at their offsets within each block.
std::vector<float> renderVst2(PluginEffect& effect, const std::vector<float>& input, int32_t block,
                              const std::vector<Change>& changes)
{
  std::vector<float> left(input.size()), right(input.size());
  const auto total = static_cast<int32_t>(input.size());
  std::size_t next = 0;
  for (int32_t start = 0; start < total; start += block) {
    const int32_t end = std::min(start + block, total);
    int32_t position = start;
    while (position < end) {
      while (next < changes.size() && changes[next].frame <= position) {
        const Change& change = changes[next++];
        if (change.index == kProgramSelector) {
          effect.setProgram(static_cast<int32_t>(change.value));
        } else {
          effect.setParameter(change.index, change.value);
        }
      }
      const int32_t until = next < changes.size() ? std::min(end, changes[next].frame) : end;
      float* inputs[2] = {const_cast<float*>(input.data()) + position, const_cast<float*>(input.data()) + position};
      float* outputs[2] = {left.data() + position, right.data() + position};
      effect.processReplacing(inputs, outputs, until - position);
      position = until;
    }
  }
  EXPECT_TRUE(left == right);
  return left;
}

std::vector<float> renderVst3(Plugin& plugin, const std::vector<float>& input, int32_t block,
                              const std::vector<Change>& changes)
{
  std::vector<float> left(input.size()), right(input.size());
  const auto total = static_cast<int32_t>(input.size());
  std::size_t next = 0;
  ParameterChanges queues;
  for (int32_t start = 0; start < total; start += block) {
    const int32_t count = std::min(block, total - start);
    queues.clear();
    while (next < changes.size() && changes[next].frame < start + count) {
      const Change& change = changes[next++];
      if (change.index == kProgramSelector) {
        queues.add(kProgramId, change.frame - start, static_cast<double>(change.value) / 15.0);
      } else {
        queues.add(static_cast<ParamID>(change.index), change.frame - start, vst3Value(change.index, change.value));
      }
    }
    EXPECT_EQ(plugin.process(input.data() + start, left.data() + start, right.data() + start, count, &queues),
              kResultOk);
  }
  EXPECT_TRUE(left == right);
  return left;
}

float peak(const std::vector<float>& samples)
{
  float largest = 0.0f;
  for (const float sample : samples) largest = std::max(largest, std::fabs(sample));
  return largest;
}

class Vst3PluginTest : public ::testing::Test {
protected:
  effecttest::ShippedShapes shapes;
  Module module{vst3test::bundleBinary()};
};

}  // namespace

TEST_F(Vst3PluginTest, theModuleExportsItsEntriesAndTheFactoryListsAProcessorAndItsController)
{
  ASSERT_TRUE(module.loaded()) << vst3test::bundleBinary();
#if !defined(_WIN32)
  EXPECT_NE(module.symbol("ModuleEntry"), nullptr);
  EXPECT_NE(module.symbol("ModuleExit"), nullptr);
#endif
  IPluginFactory* factory = module.factory();
  void* found = nullptr;
  ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid.bytes, &found), kResultOk);
  auto* factory3 = static_cast<IPluginFactory3*>(found);
  factory3->release();

  PFactoryInfo info{};
  ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
  EXPECT_STREQ(info.vendor, "Brasklin");
  EXPECT_TRUE(info.flags & PFactoryInfo::kUnicode);
  ASSERT_EQ(factory->countClasses(), 2);
  const std::string version = std::string(kBrasklinVersionText) + ".0";
  const char* categories[] = {"Audio Module Class", "Component Controller Class"};
  for (int32_t index = 0; index < 2; ++index) {
    PClassInfo2 second{};
    PClassInfoW unicode{};
    ASSERT_EQ(factory3->getClassInfo2(index, &second), kResultOk);
    ASSERT_EQ(factory3->getClassInfoUnicode(index, &unicode), kResultOk);
    EXPECT_STREQ(second.category, categories[index]);
    EXPECT_STREQ(second.vendor, "Brasklin");
    EXPECT_EQ(second.version, version);
    EXPECT_EQ(std::memcmp(second.cid, unicode.cid, 16), 0);
    EXPECT_EQ(text16(unicode.vendor), u"Brasklin");
    EXPECT_EQ(text16(unicode.version), text16(version));
  }
  PClassInfo2 processor{};
  factory3->getClassInfo2(0, &processor);
  EXPECT_STREQ(processor.name, "Brasklin");
  EXPECT_STREQ(processor.subCategories, "Fx|Pitch Shift");
  EXPECT_EQ(factory3->getClassInfo2(2, &processor), kInvalidArgument);

  // A class ID it does not know (the interface's own ID, say) makes nothing.
  void* made = &found;
  EXPECT_NE(factory->createInstance(IComponent::iid.bytes, IComponent::iid.bytes, &made), kResultOk);
  EXPECT_EQ(made, nullptr);
}

TEST_F(Vst3PluginTest, setsUpAsHostsDoWithAMonoInputAndAStereoOutput)
{
  Plugin plugin(module, kRate, 512);
  ASSERT_TRUE(plugin.ready);
  IComponent& component = *plugin.component;
  EXPECT_EQ(component.getBusCount(kAudio, kInput), 1);
  EXPECT_EQ(component.getBusCount(kAudio, kOutput), 1);
  EXPECT_EQ(component.getBusCount(kEvent, kInput), 0);
  BusInfo bus{};
  ASSERT_EQ(component.getBusInfo(kAudio, kInput, 0, &bus), kResultOk);
  EXPECT_EQ(bus.channelCount, 1);
  EXPECT_EQ(bus.busType, kMain);
  EXPECT_EQ(bus.flags & BusInfo::kDefaultActive, BusInfo::kDefaultActive);
  ASSERT_EQ(component.getBusInfo(kAudio, kOutput, 0, &bus), kResultOk);
  EXPECT_EQ(bus.channelCount, 2);
  EXPECT_EQ(component.getBusInfo(kAudio, kOutput, 1, &bus), kInvalidArgument);
  SpeakerArrangement arrangement = 0;
  ASSERT_EQ(plugin.processor->getBusArrangement(kInput, 0, &arrangement), kResultOk);
  EXPECT_EQ(arrangement, kSpeakerMono);
  ASSERT_EQ(plugin.processor->getBusArrangement(kOutput, 0, &arrangement), kResultOk);
  EXPECT_EQ(arrangement, kSpeakerStereo);
  // Stereo in is declined; the host then reads ours.
  SpeakerArrangement stereo = kSpeakerStereo;
  EXPECT_EQ(plugin.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultFalse);
  EXPECT_EQ(plugin.processor->canProcessSampleSize(kSample64), kResultFalse);
  EXPECT_EQ(plugin.processor->getLatencySamples(), 0u);

  // The tail as the VST 2 edition reports it, at the defaults and with a
  // long delay fed back.
  auto reference = effecttest::makeEffect(static_cast<float>(kRate));
  EXPECT_EQ(plugin.processor->getTailSamples(), static_cast<uint32_t>(reference->getTailSize()));
  reference->setParameter(delayTimeParameter, 0.8f);
  reference->setParameter(delayFeedBackParameter, 0.9f);
  reference->setParameter(delayMixParameter, 0.5f);
  ParameterChanges changes;
  changes.add(delayTimeParameter, 0, 0.8);
  changes.add(delayFeedBackParameter, 0, 0.9);
  changes.add(delayMixParameter, 0, 0.5);
  std::vector<float> silence(64), out(64);
  ASSERT_EQ(plugin.process(silence.data(), out.data(), out.data(), 64, &changes), kResultOk);
  EXPECT_EQ(plugin.processor->getTailSamples(), static_cast<uint32_t>(reference->getTailSize()));
  EXPECT_GT(plugin.processor->getTailSamples(), 0u);
}

// Every row of the parameter table, as hosts list it: its name, its unit, a
// switch's steps and named positions (the LV2 edition's names), what may be
// automated (all but the alias, which hosts do not show), its default; and
// the program selector.
TEST_F(Vst3PluginTest, listsEveryParameterWithTheTablesNamesUnitsStepsAndPositions)
{
  Plugin plugin(module, kRate, 512);
  ASSERT_TRUE(plugin.ready);
  IEditController& controller = *plugin.controller;
  ASSERT_EQ(controller.getParameterCount(), kParameterCount + 1);
  const char* units[] = {"", "",   "", "", "", "", "", "", "",   "s",  "", "s",
                         "", "dB", "", "", "", "", "", "", "dB", "ms", "", ""};
  for (int32_t index = 0; index < kParameterCount; ++index) {
    SCOPED_TRACE("parameter " + std::to_string(index));
    const ::ParameterInfo& row = parameterInfo(index);
    vst3::ParameterInfo info{};
    ASSERT_EQ(controller.getParameterInfo(index, &info), kResultOk);
    EXPECT_EQ(info.id, static_cast<ParamID>(index));
    EXPECT_EQ(text16(info.title), text16(plainParameterName(aliasTarget(index))));
    EXPECT_EQ(text16(info.units), text16(units[index]));
    EXPECT_EQ(info.stepCount, steps(index));
    EXPECT_EQ(info.unitId, kRootUnitId);
    const bool alias = row.aliasOf != kNoAlias;
    EXPECT_EQ((info.flags & vst3::ParameterInfo::kCanAutomate) != 0, !alias && row.automatable);
    EXPECT_EQ((info.flags & vst3::ParameterInfo::kIsHidden) != 0, alias);
    EXPECT_EQ((info.flags & vst3::ParameterInfo::kIsReadOnly) != 0, alias);
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, vst3Value(index, keptValue(index, row.initialValue)));
    EXPECT_DOUBLE_EQ(controller.getParamNormalized(info.id), info.defaultNormalizedValue);

    // Each position's text is its name, and the name selects it again.
    for (int32_t position = 0; steps(index) > 0 && position <= steps(index); ++position) {
      const double normalised = static_cast<double>(position) / steps(index);
      char16_t text[128] = {};
      ASSERT_EQ(controller.getParamStringByValue(info.id, normalised, text), kResultOk);
      const char* name = positionName(index, position);
      EXPECT_EQ(text16(text), text16(name != nullptr ? name : switchText(position != 0)));
      double back = -1.0;
      ASSERT_EQ(controller.getParamValueByString(info.id, text, &back), kResultOk) << position;
      EXPECT_DOUBLE_EQ(back, normalised);
      EXPECT_EQ(controller.normalizedParamToPlain(info.id, normalised), position);
    }
  }
  vst3::ParameterInfo program{};
  ASSERT_EQ(controller.getParameterInfo(kParameterCount, &program), kResultOk);
  EXPECT_EQ(program.id, kProgramId);
  EXPECT_EQ(program.stepCount, 15);
  EXPECT_EQ(program.flags, vst3::ParameterInfo::kIsProgramChange | vst3::ParameterInfo::kIsList);
  EXPECT_EQ(controller.getParameterInfo(kParameterCount + 1, &program), kInvalidArgument);

  // Continuous values read in their units; the text read back shows the same.
  struct Typed {
    int32_t index;
    float value;
    const char* text;
  };
  const Typed typed[] = {{delayTimeParameter, 0.25f, "1.250"}, {volumeParameter, 0.25f, "-6.0"},
                         {gateParameter, 0.0f, "off"},         {glideParameter, 0.0f, "0"},
                         {pitchShiftParameter, 0.5f, "1.000"}, {resonanceParameter, 0.3f, "0.300"}};
  for (const Typed& entry : typed) {
    char16_t text[128] = {};
    ASSERT_EQ(controller.getParamStringByValue(entry.index, entry.value, text), kResultOk);
    EXPECT_EQ(text16(text), text16(entry.text)) << entry.index;
    double back = -1.0;
    ASSERT_EQ(controller.getParamValueByString(entry.index, text, &back), kResultOk);
    char16_t again[128] = {};
    ASSERT_EQ(controller.getParamStringByValue(entry.index, back, again), kResultOk);
    EXPECT_EQ(text16(again), text16(text)) << entry.index;
  }
  char16_t nonsense[128] = u"loud";
  double ignored = 0.0;
  EXPECT_EQ(controller.getParamValueByString(volumeParameter, nonsense, &ignored), kResultFalse);
}

TEST_F(Vst3PluginTest, rendersEqualTheVst2EditionToTheBitWithChangesAtTheirSampleOffsets)
{
  const std::vector<float> input = effecttest::sweep(80.0, 900.0, kRate, 22050, 0.6);
  // A program with every stage, then changes of continuous values, switches
  // and a program change (with a value at the same frame, which applies
  // after it), at frames that fall inside blocks and on their edges.
  const std::vector<Change> changes = {
      {0, kProgramSelector, 3},          {0, delayMixParameter, 0.4f},
      {1000, cutOffParameter, 0.7f},     {1000, resonanceParameter, 0.6f},
      {2047, filterTypeParameter, 1.0f}, {4096, pitchShiftParameter, 0.8f},
      {5000, volumeParameter, 0.3f},     {7001, kProgramSelector, 5},
      {7001, driveParameter, 0.4f},      {9999, firstParameter, 2.0f / 3.0f},
      {12000, fftLengthParameter, 1.0f}, {15000, scaleParameter, 2.0f / 6.0f},
      {15000, glideParameter, 0.3f},     {18000, dryWetParameter, 0.5f},
  };
  for (const int32_t block : {64, 333, 1024}) {
    SCOPED_TRACE("blocks of " + std::to_string(block));
    auto reference = effecttest::makeEffect(static_cast<float>(kRate));
    reference->setBlockSize(block);
    const std::vector<float> expected = renderVst2(*reference, input, block, changes);
    Plugin plugin(module, kRate, block);
    ASSERT_TRUE(plugin.ready);
    const std::vector<float> rendered = renderVst3(plugin, input, block, changes);
    const auto mismatch = std::mismatch(rendered.begin(), rendered.end(), expected.begin());
    EXPECT_EQ(mismatch.first, rendered.end()) << "first difference at " << (mismatch.first - rendered.begin());
    EXPECT_GT(peak(expected), 0.01f);
  }
}

TEST_F(Vst3PluginTest, inPlaceBeyondTheAnnouncedBlockAndARestartSoundAsAFreshInstanceOnSeparateBuffers)
{
  // The distortion away from home writes the output before the filter reads
  // the input again, and the dry share reads it last: in place, both need
  // the input kept. The Mox stage last, after the delay, makes every stage's
  // history audible. Each engine: the classic one, and the continuous one
  // (Precise with the Chromatic scale).
  const std::vector<Change> classic = {{0, firstParameter, 1.0f},        {0, secondParameter, 1.0f / 3.0f},
                                       {0, thirdParameter, 2.0f / 3.0f}, {0, forthParameter, 0.0f},
                                       {0, driveParameter, 0.3f},        {0, filterTypeParameter, 0.5f},
                                       {0, delayMixParameter, 0.3f},     {0, dryWetParameter, 0.6f}};
  std::vector<Change> continuous = classic;
  continuous.insert(continuous.end(), {{0, preciseParameter, 1.0f}, {0, scaleParameter, 1.0f / 6.0f}});
  const std::pair<const char*, const std::vector<Change>&> engines[] = {{"classic", classic},
                                                                        {"continuous", continuous}};
  constexpr int32_t kAnnounced = 512;
  constexpr int32_t kBlock = 1000;  // larger than announced, as offline bounces send
  for (const double rate : {44100.0, 48000.0, 96000.0}) {
    for (const auto& [engine, settings] : engines) {
      SCOPED_TRACE(testing::Message() << rate << " Hz, " << engine);
      const std::vector<float> input = effecttest::sweep(90.0, 700.0, rate, 12000, 0.6);
      Plugin separate(module, rate, kAnnounced);
      ASSERT_TRUE(separate.ready);
      const std::vector<float> expected = renderVst3(separate, input, kBlock, settings);
      ASSERT_GT(peak(expected), 0.01f);

      Plugin inPlace(module, rate, kAnnounced);
      ASSERT_TRUE(inPlace.ready);
      // Play something else first, then stop and start processing again: what
      // follows must not remember it.
      std::vector<float> left(input.rbegin(), input.rend()), right(input.size());
      ParameterChanges queues;
      for (const Change& change : settings)
        queues.add(static_cast<ParamID>(change.index), 0, vst3Value(change.index, change.value));
      ASSERT_EQ(inPlace.process(left.data(), left.data(), right.data(), kBlock, &queues), kResultOk);
      ASSERT_EQ(inPlace.processor->setProcessing(0), kResultOk);
      ASSERT_EQ(inPlace.processor->setProcessing(1), kResultOk);
      left = input;
      for (int32_t start = 0; start < static_cast<int32_t>(input.size()); start += kBlock) {
        const int32_t count = std::min<int32_t>(kBlock, static_cast<int32_t>(input.size()) - start);
        ASSERT_EQ(inPlace.process(left.data() + start, left.data() + start, right.data() + start, count), kResultOk);
      }
      const auto mismatch = std::mismatch(left.begin(), left.end(), expected.begin());
      EXPECT_EQ(mismatch.first, left.end()) << "first difference at " << (mismatch.first - left.begin());
      EXPECT_TRUE(left == right);
    }
  }
}

// robustness: VST 3 component state cut short at every byte, or foreign bytes => whole programs kept or refused, never a crash
TEST_F(Vst3PluginTest, theStateKeepsEveryProgramAndTheCurrentOneAndRefusesWhatItDidNotWrite)
{
  Plugin edited(module, kRate, 512);
  ASSERT_TRUE(edited.ready);
  // Program 2 edited, then program 6 selected and edited: both edits are in
  // the state, with 6 current.
  std::vector<float> scratch(64), out(64);
  ParameterChanges changes;
  changes.add(kProgramId, 0, 2.0 / 15.0);
  changes.add(volumeParameter, 0, 0.3);
  ASSERT_EQ(edited.process(scratch.data(), out.data(), out.data(), 64, &changes), kResultOk);
  changes.clear();
  changes.add(kProgramId, 0, 6.0 / 15.0);
  changes.add(filterTypeParameter, 0, 2.0 / 3.0);
  changes.add(delayMixParameter, 0, 0.4);
  ASSERT_EQ(edited.process(scratch.data(), out.data(), out.data(), 64, &changes), kResultOk);
  const std::vector<char> saved = edited.componentState();
  ASSERT_FALSE(saved.empty());

  Plugin reopened(module, kRate, 512);
  ASSERT_TRUE(reopened.ready);
  MemoryStream stream(saved);
  ASSERT_EQ(reopened.component->setState(&stream), kResultOk);
  EXPECT_EQ(reopened.componentState(), saved);
  stream.position = 0;
  ASSERT_EQ(reopened.controller->setComponentState(&stream), kResultOk);
  EXPECT_TRUE(reopened.handler.calls.empty()) << "the controller syncs without handler calls";
  EXPECT_DOUBLE_EQ(reopened.controller->getParamNormalized(kProgramId), 6.0 / 15.0);
  EXPECT_DOUBLE_EQ(reopened.controller->getParamNormalized(filterTypeParameter), 2.0 / 3.0);
  // Back to program 2 through the controller: its edited volume.
  ASSERT_EQ(reopened.controller->setParamNormalized(kProgramId, 2.0 / 15.0), kResultOk);
  EXPECT_DOUBLE_EQ(reopened.controller->getParamNormalized(volumeParameter), static_cast<double>(0.3f));

  // Both sound alike from here: restoring the programs left nothing behind
  // in the stages (another program's delay time, say).
  const std::vector<float> input = effecttest::sweep(100.0, 600.0, kRate, 4096, 0.5);
  EXPECT_TRUE(renderVst3(edited, input, 256, {}) == renderVst3(reopened, input, 256, {}));

  // Cut short anywhere: refused (header) or taken in whole programs; a cut
  // inside program p keeps programs before it as saved.
  for (std::size_t length = 0; length < saved.size(); length += 7) {
    Plugin plugin(module, kRate, 512);
    MemoryStream cut(std::vector<char>(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(length)));
    const tresult answer = plugin.component->setState(&cut);
    const std::vector<char> after = plugin.componentState();
    ASSERT_EQ(after.size(), saved.size());
    if (length < 20) {
      EXPECT_EQ(answer, kResultFalse) << length;
    } else {
      EXPECT_EQ(answer, kResultOk) << length;
      const std::size_t wholePrograms = (length - 20) / (4 * kParameterCount);
      const std::size_t kept = 20 + wholePrograms * 4 * kParameterCount;
      EXPECT_TRUE(std::equal(after.begin(), after.begin() + static_cast<std::ptrdiff_t>(kept), saved.begin()))
          << length;
    }
    cut.position = 0;
    plugin.controller->setComponentState(&cut);
  }
  // Foreign bytes (another plug-in's, a newer version) change nothing.
  Plugin fresh(module, kRate, 512);
  const std::vector<char> untouched = fresh.componentState();
  std::vector<char> foreign(saved);
  foreign[0] = 'X';
  std::vector<char> newer(saved);
  newer[4] = 2;
  for (const std::vector<char>& bytes : {foreign, newer, std::vector<char>(4096, '\x7f')}) {
    MemoryStream other(bytes);
    EXPECT_EQ(fresh.component->setState(&other), kResultFalse);
    other.position = 0;
    EXPECT_EQ(fresh.controller->setComponentState(&other), kResultFalse);
  }
  EXPECT_EQ(fresh.componentState(), untouched);
}

TEST_F(Vst3PluginTest, theProgramListNamesTheSixteenProgramsAsTheVst2EditionAndTheSelectorLoadsThem)
{
  Plugin plugin(module, kRate, 512);
  ASSERT_TRUE(plugin.ready);
  void* found = nullptr;
  ASSERT_EQ(plugin.controller->queryInterface(IUnitInfo::iid.bytes, &found), kResultOk);
  auto* units = static_cast<IUnitInfo*>(found);
  ASSERT_EQ(units->getUnitCount(), 1);
  UnitInfo unit{};
  ASSERT_EQ(units->getUnitInfo(0, &unit), kResultOk);
  EXPECT_EQ(unit.id, kRootUnitId);
  EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
  ASSERT_EQ(units->getProgramListCount(), 1);
  ProgramListInfo list{};
  ASSERT_EQ(units->getProgramListInfo(0, &list), kResultOk);
  EXPECT_EQ(list.id, unit.programListId);
  EXPECT_EQ(list.programCount, 16);
  auto reference = effecttest::makeEffect(static_cast<float>(kRate));
  for (int32_t program = 0; program < 16; ++program) {
    char expected[32] = {};
    ASSERT_TRUE(reference->getProgramNameIndexed(0, program, expected));
    char16_t name[128] = {};
    ASSERT_EQ(units->getProgramName(list.id, program, name), kResultOk);
    EXPECT_EQ(text16(name), text16(std::string(expected)));
    char16_t shown[128] = {};
    ASSERT_EQ(plugin.controller->getParamStringByValue(kProgramId, program / 15.0, shown), kResultOk);
    EXPECT_EQ(text16(shown), text16(name));
  }
  EXPECT_EQ(units->getProgramName(list.id, 16, nullptr), kInvalidArgument);
  EXPECT_EQ(units->getProgramName(list.id + 1, 0, unit.name), kInvalidArgument);

  // The host selects program 4: the controller shows its values (and asks
  // the host to read them again later, from an idle of its view: never from
  // inside the host's call).
  ASSERT_EQ(plugin.controller->setParamNormalized(kProgramId, 4.0 / 15.0), kResultOk);
  EXPECT_TRUE(plugin.handler.calls.empty());
  reference->setProgram(4);
  for (int32_t index = 0; index < kParameterCount; ++index) {
    EXPECT_DOUBLE_EQ(plugin.controller->getParamNormalized(static_cast<ParamID>(index)),
                     vst3Value(index, reference->getParameter(index)))
        << index;
  }
  units->release();
}

// robustness: VST 3 process given NaN, infinite or out-of-range values, points out of order or outside the block, unknown IDs => finite output, no crash
// robustness: VST 3 process without input, outputs, buffers or changes, with 64-bit samples, or a flush of 0 frames => no crash, changes still taken
TEST_F(Vst3PluginTest, hostileValuesAndCallsLeaveTheOutputFiniteAndTheEffectWorking)
{
  Plugin plugin(module, kRate, 256);
  ASSERT_TRUE(plugin.ready);
  const std::vector<float> input = effecttest::sweep(100.0, 800.0, kRate, 256, 0.5);
  std::vector<float> left(256), right(256);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (int32_t index = 0; index <= kParameterCount; ++index) {
    const ParamID id = index == kParameterCount ? kProgramId : static_cast<ParamID>(index);
    for (const double value : {nan, inf, -inf, -1e30, 1e30, -0.5, 1.5}) {
      ParameterChanges changes;
      changes.add(id, 300, value);  // past the block
      changes.add(id, -5, value);   // before it
      changes.add(id, 100, 0.2);    // and back, out of order
      changes.add(0xFFFFFF, 10, value);
      ASSERT_EQ(plugin.process(input.data(), left.data(), right.data(), 256, &changes), kResultOk);
      ASSERT_TRUE(effecttest::allFinite(left) && effecttest::allFinite(right)) << index << " " << value;
      EXPECT_EQ(plugin.controller->setParamNormalized(id, value) == kResultOk, !std::isnan(value));
      const double shown = plugin.controller->getParamNormalized(id);
      EXPECT_TRUE(shown >= 0.0 && shown <= 1.0) << index << " " << value;
      char16_t text[128] = {};
      plugin.controller->getParamStringByValue(id, value, text);
    }
  }
  // Odd process calls: a flush (no frames, no buffers) takes its changes.
  ParameterChanges flush;
  flush.add(volumeParameter, 0, 0.0);
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.inputParameterChanges = &flush;
  EXPECT_EQ(plugin.processor->process(&data), kResultOk);
  EXPECT_EQ(plugin.process(input.data(), left.data(), right.data(), 256), kResultOk);
  EXPECT_EQ(peak(left), 0.0f) << "the flushed volume 0 is in force";
  EXPECT_EQ(plugin.processor->process(nullptr), kInvalidArgument);
  data.numSamples = 256;
  EXPECT_EQ(plugin.processor->process(&data), kResultOk) << "no buffers at all";
  data.symbolicSampleSize = kSample64;
  EXPECT_NE(plugin.processor->process(&data), kResultOk);
  // No input bus: the effect hears silence.
  float* outputs[2] = {left.data(), right.data()};
  AudioBusBuffers out{};
  out.numChannels = 2;
  out.channelBuffers32 = outputs;
  data.symbolicSampleSize = kSample32;
  data.numOutputs = 1;
  data.outputs = &out;
  std::fill(left.begin(), left.end(), 1.0f);
  EXPECT_EQ(plugin.processor->process(&data), kResultOk);
  EXPECT_TRUE(effecttest::allFinite(left));
  EXPECT_EQ(out.silenceFlags, 0u);
  // Setup refused while bad: no rate, a rate of 0, 64-bit samples.
  plugin.processor->setProcessing(0);
  plugin.component->setActive(0);
  for (const ProcessSetup& bad : {ProcessSetup{0, kSample32, 512, 0.0}, ProcessSetup{0, kSample32, 512, nan},
                                  ProcessSetup{0, kSample64, 512, kRate}}) {
    ProcessSetup copy = bad;
    EXPECT_NE(plugin.processor->setupProcessing(&copy), kResultOk);
  }
  EXPECT_EQ(plugin.processor->setupProcessing(nullptr), kInvalidArgument);
  EXPECT_EQ(plugin.component->setState(nullptr), kInvalidArgument);
  EXPECT_EQ(plugin.controller->createView("no such view"), nullptr);
}
