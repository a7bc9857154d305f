// Parameters and programs as the host sees them through the effect: values
// read back, names, labels, display texts, the program copies, selection and
// naming, and the editor being told about every change.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/Distortion.h"
#include "dsp/DryWetMix.h"
#include "dsp/FeedbackDelay.h"
#include "dsp/TrackingOscillator.h"
#include "effect/FactorySounds.h"
#include "vst2/interface/AEffEditor.h"
#include "shapes/WaveShapeTable.h"
#include "tests/effect/EffectTestSupport.h"

namespace {

class ParametersTest : public ::testing::Test {
protected:
  effecttest::ShippedShapes shapes;
  std::unique_ptr<PluginEffect> effect = effecttest::makeEffect();

  std::string display(int32_t index)
  {
    char text[64];
    std::memset(text, '#', sizeof text);
    text[63] = '\0';
    effect->getParameterDisplay(index, text);
    return text;
  }
  std::string name(int32_t index)
  {
    char text[64] = "untouched";
    effect->getParameterName(index, text);
    return text;
  }
  std::string programName()
  {
    char text[64] = "untouched";
    effect->getProgramName(text);
    return text;
  }
  float field(int32_t index) { return effect->programAt(effect->getProgram()).value(index); }
};

TEST_F(ParametersTest, descriptorDescribesTheBuiltEffect)
{
  const AEffect* d = effect->getAeffect();
  EXPECT_EQ(d->numInputs, 2);
  EXPECT_EQ(d->numOutputs, 2);
  EXPECT_EQ(d->flags, 1 | 8 | 16);  // editor, mono and replacing
  EXPECT_EQ(d->uniqueID, 0x42724B6C);
  EXPECT_EQ(d->numPrograms, 16);
  EXPECT_EQ(d->numParams, 24);
  EXPECT_EQ(effect->getProgram(), 0);
}

TEST_F(ParametersTest, programZeroLeavesTheDefaultSettings)
{
  const float expected[24] = {0.0f, 0.35f, 0.0f, 0.0f, 0.5f, 0.35f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                              0.0f, 0.5f,  0.0f, 0.4f, 0.7f, 1.0f,  0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  for (int32_t i = 0; i < 24; ++i) EXPECT_EQ(effect->getParameter(i), expected[i]) << i;
  EXPECT_EQ(effect->analysisLength(), 2048);
  EXPECT_EQ(effect->outputGain(), 1.0f);
  EXPECT_EQ(effect->cutOffMultiplier(), 8.0f);
  EXPECT_EQ(effect->oscillator().ratio(), 1.0f);
  EXPECT_FALSE(effect->oscillator().precise());
  EXPECT_EQ(effect->distortionStage().drive(), 1.0f);
  for (int32_t slot = 0; slot < 4; ++slot) EXPECT_EQ(effect->stageInSlot(slot), static_cast<StageKind>(slot));
}

TEST_F(ParametersTest, namesLabelsAndTheUnnamedEntries)
{
  const char* names[24] = {" WaveShape ",     " FFT length ", " Stablize ",  " Quick Detect ", " Pitch Shift ",
                           " Filter Type ",   " CutOff ",     " Resonance ", " Delay Mix ",    " Delay Time ",
                           " Delay FeedBack", "untouched",    " Drive ",     " Volume ",       " First ",
                           " Second  ",       " Third ",      " Forth ",     " Precise ",      " Dry/Wet ",
                           " Gate ",          " Glide ",      " Scale ",     " Key "};
  for (int32_t i = 0; i < 24; ++i) EXPECT_EQ(name(i), names[i]) << i;
  EXPECT_EQ(name(24), "untouched");
  EXPECT_EQ(name(-1), "untouched");
  for (int32_t index : {0, 11, 17, 99, -5}) {
    char label[16] = "xxxx";
    effect->getParameterLabel(index, label);
    EXPECT_STREQ(label, " ") << index;
  }
}

TEST_F(ParametersTest, displayTextsFollowEachParametersTable)
{
  EXPECT_EQ(display(0), "Sine");
  EXPECT_EQ(display(1), "2048");
  EXPECT_EQ(display(2), "Off");
  EXPECT_EQ(display(3), "Off");
  EXPECT_EQ(display(4), "0.500000");
  EXPECT_EQ(display(5), "LOWPASS");
  EXPECT_EQ(display(6), "1.000000");
  EXPECT_EQ(display(7), "0.000000");
  EXPECT_EQ(display(8), "0.000");
  EXPECT_EQ(display(9), "0.000");
  EXPECT_EQ(display(10), "0.000");
  EXPECT_EQ(display(11), "");
  EXPECT_EQ(display(12), "0.000000");
  EXPECT_EQ(display(13), "");
  EXPECT_EQ(display(14), "Mox");
  EXPECT_EQ(display(15), "Filter");
  EXPECT_EQ(display(16), "Delay");
  EXPECT_EQ(display(17), "Distortion");
  EXPECT_EQ(display(18), "Off");
  EXPECT_EQ(display(19), "1.000");
  EXPECT_EQ(display(20), "off");
  EXPECT_EQ(display(21), "0 ms");
  EXPECT_EQ(display(22), "Off");
  EXPECT_EQ(display(23), "C");
  EXPECT_EQ(display(24), "");
  EXPECT_EQ(display(-1), "");

  const std::vector<std::pair<int32_t, float>> changes{
      {1, 0.25f}, {2, 0.7f},  {3, 0.5f},  {4, 0.25f}, {5, 0.77f},        {6, 0.75f},        {7, 0.125f}, {8, 0.5f},
      {9, 0.2f},  {10, 0.3f}, {12, 1.0f}, {13, 0.9f}, {14, 1.0f},        {15, 0.1f},        {16, 0.5f},  {17, 0.8f},
      {18, 0.5f}, {19, 0.5f}, {20, 0.5f}, {21, 0.5f}, {22, 2.0f / 6.0f}, {23, 6.0f / 11.0f}};
  for (const auto& [index, value] : changes) effect->setParameter(index, value);
  EXPECT_EQ(display(1), "1024");
  EXPECT_EQ(display(2), "On");
  EXPECT_EQ(display(3), "On");
  EXPECT_EQ(display(4), "0.250000");
  EXPECT_EQ(display(5), "BANDPASS");
  EXPECT_EQ(display(6), "0.750000");
  EXPECT_EQ(display(7), "0.125000");
  EXPECT_EQ(display(8), "0.500");
  EXPECT_EQ(display(9), "1.000");  // seconds
  EXPECT_EQ(display(10), "0.300");
  EXPECT_EQ(display(12), "1.000000");
  EXPECT_EQ(display(13), "");
  EXPECT_EQ(display(14), "Distortion");
  EXPECT_EQ(display(15), "Mox");
  EXPECT_EQ(display(16), "Filter");
  EXPECT_EQ(display(17), "Delay");
  EXPECT_EQ(display(18), "On");
  EXPECT_TRUE(effect->oscillator().precise());
  EXPECT_EQ(effect->getParameter(18), 1.0f);  // answered as a switch, as Stablize is
  effect->setParameter(5, 0.25f);
  EXPECT_EQ(display(5), "Off");
  effect->setParameter(5, 0.52f);
  EXPECT_EQ(display(5), "HIGHPASS");
  effect->setParameter(1, 0.51f);
  EXPECT_EQ(display(1), "2048");
  effect->setParameter(1, 0.76f);
  EXPECT_EQ(display(1), "4096");
}

TEST_F(ParametersTest, waveShapeChoosesTheNearestPositionAndRefusesNegativeValues)
{
  // Eight shipped shapes at positions 0, 1/8, ... 7/8.
  ASSERT_EQ(effect->waveShapes().shapeCount(), 8);
  const auto& names = effect->waveShapes().shapeNames();
  effect->setParameter(0, 0.3f);  // 0.25 is nearer than 0.375
  EXPECT_EQ(display(0), names[2]);
  EXPECT_EQ(display(0), "Saw");
  effect->setParameter(0, 0.0625f);  // halfway between shapes 0 and 1: the lower wins
  EXPECT_EQ(effect->waveShapes().currentShape(), 0);
  effect->setParameter(0, 1.0f);
  EXPECT_EQ(effect->waveShapes().currentShape(), 7);
  effect->setParameter(0, -0.1f);
  EXPECT_EQ(effect->waveShapes().currentShape(), 7);
  EXPECT_EQ(effect->getParameter(0), 1.0f);
  EXPECT_EQ(field(0), 1.0f);
}

TEST_F(ParametersTest, derivedSettingsFollowTheirParameters)
{
  effect->setParameter(2, 0.7f);
  EXPECT_EQ(effect->getParameter(2), 1.0f);
  EXPECT_EQ(field(2), 0.7f);
  effect->setParameter(4, 0.75f);
  EXPECT_FLOAT_EQ(effect->oscillator().ratio(), 5.0f);
  effect->setParameter(6, 1.0f);
  EXPECT_EQ(effect->cutOffMultiplier(), 8.0f);
  effect->setParameter(12, 0.5f);
  EXPECT_EQ(effect->distortionStage().drive(), 26.0f);
  effect->setParameter(13, 1.0f);
  EXPECT_EQ(effect->outputGain(), 4.0f);
  effect->setParameter(1, 0.77f);
  EXPECT_EQ(effect->analysisLength(), 8192);
}

TEST_F(ParametersTest, theFourDelayParametersShareOnePath)
{
  effect->setParameter(9, 0.4f);
  EXPECT_EQ(field(9), 0.4f);
  EXPECT_EQ(field(11), 0.4f);
  effect->setParameter(11, 0.2f);  // the unnamed entry is the same time
  EXPECT_EQ(effect->getParameter(9), 0.2f);
  EXPECT_EQ(effect->getParameter(11), 0.2f);
  EXPECT_EQ(field(9), 0.2f);
  EXPECT_EQ(effect->delayStage().pendingLength(), 44100);
  effect->setParameter(10, 0.6f);
  effect->setParameter(8, 0.3f);
  EXPECT_EQ(effect->delayStage().feedback(), 0.6f);
  EXPECT_EQ(effect->delayStage().mix(), 0.3f);
  EXPECT_EQ(field(8), 0.3f);
  EXPECT_EQ(field(10), 0.6f);
  EXPECT_EQ(field(11), 0.2f);
}

TEST_F(ParametersTest, stageOrderSlotsStoreTheKindAndNeverSwap)
{
  effect->setParameter(15, 0.5f);
  EXPECT_EQ(effect->stageInSlot(1), StageKind::filter);
  EXPECT_FLOAT_EQ(effect->getParameter(15), 0.4f);
  EXPECT_EQ(field(15), 0.33333334f);
  EXPECT_EQ(display(15), "Filter");
  effect->setParameter(14, 0.5f);
  EXPECT_EQ(field(14), 0.33333334f);
  effect->setParameter(14, 0.0f);
  effect->setParameter(15, 0.0f);
  EXPECT_EQ(effect->stageInSlot(0), StageKind::mox);
  EXPECT_EQ(effect->stageInSlot(1), StageKind::mox);
  EXPECT_EQ(effect->stageInSlot(2), StageKind::delay);  // untouched
  effect->setParameter(16, 0.9999f);
  EXPECT_EQ(field(16), 0.6666667f);
  effect->setParameter(17, 7.0f);  // above 1: Distortion
  EXPECT_EQ(field(17), 1.0f);
  EXPECT_EQ(effect->getParameter(17), 1.0f);
  // Every reported value selects its kind again.
  for (int32_t slot = 14; slot < 18; ++slot) {
    const StageKind kind = effect->stageInSlot(slot - 14);
    effect->setParameter(slot, effect->getParameter(slot));
    EXPECT_EQ(effect->stageInSlot(slot - 14), kind);
  }
}

// robustness: setProgramName longer than the 24-byte field => cut to 23 bytes and terminated
TEST_F(ParametersTest, programsAreNumberedUntilRenamedAndNamesAreBounded)
{
  EXPECT_STREQ(effect->programAt(0).name(), "Init");
  EXPECT_EQ(programName(), "Init 1");
  effect->setProgram(5);
  char rename[] = "Warm pad";
  effect->setProgramName(rename);
  EXPECT_EQ(programName(), "Warm pad");
  effect->setProgram(6);
  EXPECT_EQ(programName(), factorySounds()[5].name);
  effect->setProgram(5);
  EXPECT_EQ(programName(), "Warm pad");
  char init[] = "Init";
  effect->setProgramName(init);
  EXPECT_EQ(programName(), "Init 6");
  char longName[] = "This name is far too long for a VST host";
  effect->setProgramName(longName);
  EXPECT_EQ(programName(), "This name is far too lo");
  effect->setProgramName(nullptr);
  EXPECT_EQ(programName(), "This name is far too lo");
  effect->getProgramName(nullptr);  // nothing to write into
  // Numbers outside 0..15 select nothing, through the dispatcher too.
  for (int32_t bad : {-1, 16, 1000, INT32_MIN}) {
    effect->setProgram(bad);
    effect->dispatcher(effSetProgram, 0, bad, nullptr, 0.0f);
    EXPECT_EQ(effect->getProgram(), 5);
  }
}

// Programs 1 to 15 start as the factory sounds. Selecting one sets the effect
// as loading the sound's values in index order does (how hosts load a
// program file), and leaves what the program holds as it was: a host that
// selects programs to read them changes none.
TEST_F(ParametersTest, aNewEffectsProgramsAreTheFactorySoundsAndSelectingOneLoadsItsValues)
{
  ASSERT_EQ(factorySounds().size(), 15u);
  std::vector<PluginProgram::Values> held;
  for (int32_t p = 0; p < 16; ++p) held.push_back(effect->programAt(p).values());
  for (int32_t p = 1; p < 16; ++p) {
    const FactorySound& sound = factorySounds()[static_cast<std::size_t>(p - 1)];
    SCOPED_TRACE(sound.name);
    effect->setProgram(p);
    EXPECT_EQ(programName(), sound.name);
    EXPECT_EQ(effect->programAt(p).values(), held[static_cast<std::size_t>(p)]);
    const std::unique_ptr<PluginEffect> loaded = effecttest::makeEffect();
    for (int32_t i = 0; i < kParameterCount; ++i) loaded->setParameter(i, sound.values[static_cast<std::size_t>(i)]);
    EXPECT_EQ(loaded->programAt(0).values(), held[static_cast<std::size_t>(p)]);
    for (int32_t i = 0; i < kParameterCount; ++i) EXPECT_EQ(effect->getParameter(i), loaded->getParameter(i)) << i;
    for (int32_t slot = 0; slot < 4; ++slot) EXPECT_EQ(effect->stageInSlot(slot), loaded->stageInSlot(slot));
    EXPECT_EQ(effect->analysisLength(), loaded->analysisLength());
    EXPECT_EQ(effect->oscillator().ratio(), loaded->oscillator().ratio());
    EXPECT_EQ(effect->oscillator().precise(), loaded->oscillator().precise());
    EXPECT_EQ(effect->cutOffMultiplier(), loaded->cutOffMultiplier());
    EXPECT_EQ(effect->delayStage().feedback(), loaded->delayStage().feedback());
    EXPECT_EQ(effect->delayStage().mix(), loaded->delayStage().mix());
    EXPECT_EQ(effect->distortionStage().drive(), loaded->distortionStage().drive());
    EXPECT_EQ(effect->outputGain(), loaded->outputGain());
    EXPECT_EQ(effect->core().dryWetMix().wetShare(), loaded->core().dryWetMix().wetShare());
  }
  // No two programs alike, Init included.
  for (std::size_t a = 0; a < held.size(); ++a)
    for (std::size_t b = a + 1; b < held.size(); ++b) EXPECT_NE(held[a], held[b]) << a << " and " << b;
}

TEST_F(ParametersTest, selectingAProgramAppliesItsOwnFeedbackAndMix)
{
  const float ownFeedback = effect->programAt(1).value(10);  // the factory sound's
  ASSERT_NE(ownFeedback, 0.5f);
  effect->setParameter(10, 0.5f);  // program 0
  effect->setProgram(1);
  EXPECT_EQ(effect->getParameter(10), ownFeedback);
  effect->setParameter(9, 0.1f);
  effect->setParameter(10, 0.6f);
  effect->setParameter(8, 0.3f);
  effect->setProgram(0);
  EXPECT_EQ(effect->getParameter(10), 0.5f);
  EXPECT_EQ(effect->getParameter(8), 0.0f);
  EXPECT_EQ(effect->getParameter(9), 0.0f);
  EXPECT_EQ(effect->programAt(0).value(10), 0.5f);
  EXPECT_EQ(effect->programAt(1).value(10), 0.6f);
  // Back to program 1: applying its time first must not overwrite its
  // feedback and mix with program 0's.
  effect->setProgram(1);
  EXPECT_EQ(effect->getParameter(9), 0.1f);
  EXPECT_EQ(effect->getParameter(10), 0.6f);
  EXPECT_EQ(effect->getParameter(8), 0.3f);
  EXPECT_EQ(effect->delayStage().feedback(), 0.6f);
  EXPECT_EQ(effect->delayStage().mix(), 0.3f);
  EXPECT_EQ(effect->programAt(1).value(8), 0.3f);
  EXPECT_EQ(effect->programAt(1).value(11), 0.1f);
}

TEST_F(ParametersTest, selectingAProgramRestoresEverySetting)
{
  effect->setProgram(3);
  const float values[24] = {0.5f, 0.8f,  1.0f, 0.6f, 0.75f, 0.6f, 0.25f, 0.4f, 0.2f,  0.1f, 0.3f,  0.1f,
                            0.9f, 0.75f, 0.5f, 0.1f, 1.0f,  0.8f, 0.9f,  0.3f, 0.45f, 0.2f, 0.75f, 0.6f};
  for (int32_t i = 0; i < 24; ++i) effect->setParameter(i, values[i]);
  std::vector<float> reported(24);
  for (int32_t i = 0; i < 24; ++i) reported[static_cast<std::size_t>(i)] = effect->getParameter(i);
  effect->setProgram(0);
  EXPECT_EQ(effect->getParameter(1), 0.35f);
  EXPECT_EQ(effect->core().dryWetMix().wetShare(), 1.0f);
  effect->setProgram(3);
  for (int32_t i = 0; i < 24; ++i) EXPECT_EQ(effect->getParameter(i), reported[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(effect->core().dryWetMix().wetShare(), 0.3f);
  EXPECT_TRUE(effect->oscillator().precise());
  EXPECT_EQ(effect->stageInSlot(0), StageKind::filter);
  EXPECT_EQ(effect->stageInSlot(3), StageKind::delay);
  EXPECT_EQ(effect->analysisLength(), 8192);
  EXPECT_EQ(effect->outputGain(), 3.0f);
}

// Records what the effect tells its editor.
class RecordingEditor : public AEffEditor {
public:
  explicit RecordingEditor(AudioEffect* effect) : AEffEditor(effect) {}
  void postUpdate() override
  {
    ++updates;
    AEffEditor::postUpdate();
  }
  void setParameter(int32_t index, float value) override
  {
    calls.emplace_back(index, value);
    updatesAtCall.push_back(updates);
  }
  int updates = 0;
  std::vector<std::pair<int32_t, float>> calls;
  std::vector<int> updatesAtCall;
};

TEST_F(ParametersTest, theEditorHearsOfEveryChangeEvenRefusedOnes)
{
  delete effect->getEditor();                        // the effect's own editor makes way for the recording one
  auto* editor = new RecordingEditor(effect.get());  // owned by the effect from here
  EXPECT_EQ(effect->getAeffect()->flags & effFlagsHasEditor, effFlagsHasEditor);
  effect->setParameter(4, 0.3f);
  effect->setParameter(24, 0.5f);
  effect->setParameter(0, -0.1f);
  effect->setParameterAutomated(13, 0.6f);
  ASSERT_EQ(editor->calls.size(), 4u);
  EXPECT_EQ(editor->calls[0], std::make_pair(4, 0.3f));
  EXPECT_EQ(editor->calls[1], std::make_pair(24, 0.5f));
  EXPECT_EQ(editor->calls[2], std::make_pair(0, -0.1f));
  EXPECT_EQ(editor->calls[3], std::make_pair(13, 0.6f));
  // postUpdate comes first every time.
  EXPECT_EQ(editor->updatesAtCall, (std::vector<int>{1, 2, 3, 4}));
  effect->setProgram(2);  // one more for every parameter
  EXPECT_EQ(editor->calls.size(), 4u + kParameterCount);
}

// robustness: every host call to an effect whose wave shapes failed to load => returns at once: outputs untouched, getParameter 0, texts unchanged, the descriptor says 1 input and no editor
TEST_F(ParametersTest, anEffectWhoseShapesFailedToLoadDoesNothing)
{
  FakePlatformServices missing;
  missing.registryPath = "/nonexistent-brasklin-test-folder";
  ScopedPlatformServices scope(missing);
  auto inert = std::make_unique<PluginEffect>(nullptr);
  ASSERT_TRUE(inert->hasLoadFailed());
  EXPECT_FALSE(missing.messages.empty());
  const AEffect* d = inert->getAeffect();
  EXPECT_EQ(d->numInputs, 1);
  EXPECT_EQ(d->uniqueID, fourCharCode("NoEf"));
  EXPECT_EQ(d->flags, 0);

  inert->setParameter(13, 1.0f);
  EXPECT_EQ(inert->getParameter(13), 0.0f);
  char text[16] = "kept";
  inert->getParameterDisplay(1, text);
  inert->getParameterName(1, text);
  inert->getParameterLabel(1, text);
  inert->getProgramName(text);
  inert->setProgramName(text);
  inert->setProgram(3);
  inert->suspend();
  EXPECT_STREQ(text, "kept");

  std::vector<float> in(256, 0.5f), out0(256, 7.0f), out1(256, 7.0f);
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out0.data(), out1.data()};
  inert->processReplacing(inputs, outputs, 256);
  inert->process(inputs, outputs, 256);
  EXPECT_EQ(out0, std::vector<float>(256, 7.0f));
  EXPECT_EQ(out1, std::vector<float>(256, 7.0f));
}

}  // namespace
