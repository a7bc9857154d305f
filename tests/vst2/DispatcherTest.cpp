// The host's side of the descriptor: opcodes sent through the dispatcher entry
// and calls through the other entries must reach the right virtual operation
// with the right arguments, and answer what a host expects.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "tests/vst2/FakeHost.h"
#include "tests/vst2/TestEffects.h"

using ::testing::FloatEq;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::StrictMock;

namespace {

// What a host does: call through the record's function pointer.
intptr_t dispatch(AEffect* effect, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                  float opt = 0.0f)
{
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

class DispatcherTest : public ::testing::Test {
protected:
  FakeHost host;
};

}  // namespace

// robustness: unknown dispatcher opcodes => answered 0
TEST_F(DispatcherTest, identifyAnswersNvEfAndUnknownOpcodesAnswerZero)
{
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_EQ(dispatch(record, effIdentify), 0x4E764566);
  for (int32_t opcode : std::initializer_list<int32_t>{effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep,
                                                       25, 99, -1, std::numeric_limits<int32_t>::max()}) {
    EXPECT_EQ(dispatch(record, opcode, 3, 7, nullptr, 1.0f), 0) << "opcode " << opcode;
  }
}

// robustness: effGetVu with a NaN or out-of-range meter level => 0 for NaN, clamped to 32 bits otherwise (no undefined conversion)
TEST_F(DispatcherTest, vuIsScaledTo16BitAndTruncatedTowardZero)
{
  NiceMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_CALL(effect, getVu())
      .WillOnce(Return(0.0f))
      .WillOnce(Return(1.0f))
      .WillOnce(Return(0.5f))   // 16383.5
      .WillOnce(Return(-0.5f))  // -16383.5
      .WillOnce(Return(std::numeric_limits<float>::quiet_NaN()))
      .WillOnce(Return(std::numeric_limits<float>::infinity()))
      .WillOnce(Return(-1.0e30f));
  EXPECT_EQ(dispatch(record, effGetVu), 0);
  EXPECT_EQ(dispatch(record, effGetVu), 32767);
  EXPECT_EQ(dispatch(record, effGetVu), 16383);
  EXPECT_EQ(dispatch(record, effGetVu), -16383);
  EXPECT_EQ(dispatch(record, effGetVu), 0);
  EXPECT_EQ(dispatch(record, effGetVu), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(dispatch(record, effGetVu), std::numeric_limits<int32_t>::min());
}

TEST_F(DispatcherTest, baseVuMeterReadsZero)
{
  BareEffect effect(FakeHost::callback);
  EXPECT_EQ(dispatch(effect.getAeffect(), effGetVu), 0);
}

TEST_F(DispatcherTest, setProgramPassesEveryValueBelowTheCountSignedIncludingNegatives)
{
  StrictMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  {
    InSequence order;
    EXPECT_CALL(effect, setProgram(15));
    EXPECT_CALL(effect, setProgram(0));
    EXPECT_CALL(effect, setProgram(-1));
    // A 64-bit value far below 32-bit range stays negative, never wraps.
    EXPECT_CALL(effect, setProgram(std::numeric_limits<int32_t>::min()));
  }
  dispatch(record, effSetProgram, 0, 15);
  dispatch(record, effSetProgram, 0, 16);  // equal to the count: ignored
  dispatch(record, effSetProgram, 0, 0);
  dispatch(record, effSetProgram, 0, -1);
  dispatch(record, effSetProgram, 0, 1000);
  if constexpr (sizeof(intptr_t) == 8) {
    // Would truncate to program 5 if the high bits were simply dropped.
    dispatch(record, effSetProgram, 0, static_cast<intptr_t>(INT64_C(0x100000005)));
    dispatch(record, effSetProgram, 0, static_cast<intptr_t>(-INT64_C(0x100000000) + 5));
  } else {
    dispatch(record, effSetProgram, 0, std::numeric_limits<int32_t>::min());
  }
}

TEST_F(DispatcherTest, baseProgramFollowsValidSelectionsAndIgnoresTheRest)
{
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_EQ(dispatch(record, effSetProgram, 0, 15), 0);
  EXPECT_EQ(dispatch(record, effGetProgram), 15);
  EXPECT_EQ(dispatch(record, effSetProgram, 0, 16), 0);
  EXPECT_EQ(dispatch(record, effGetProgram), 15);
  EXPECT_EQ(dispatch(record, effSetProgram, 0, -1), 0);
  EXPECT_EQ(dispatch(record, effGetProgram), 15);
  dispatch(record, effSetProgram, 0, 3);
  EXPECT_EQ(dispatch(record, effGetProgram), 3);

  BareEffect withoutPrograms(FakeHost::callback, 0, 0);
  dispatch(withoutPrograms.getAeffect(), effSetProgram, 0, -1);
  EXPECT_EQ(dispatch(withoutPrograms.getAeffect(), effGetProgram), 0);
}

TEST_F(DispatcherTest, mainsChangedSuspendsOnZeroAndResumesOnAnythingElse)
{
  StrictMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  {
    InSequence order;
    EXPECT_CALL(effect, resume());
    EXPECT_CALL(effect, suspend());
    EXPECT_CALL(effect, resume());
    EXPECT_CALL(effect, resume());
  }
  EXPECT_EQ(dispatch(record, effMainsChanged, 0, 1), 0);
  EXPECT_EQ(dispatch(record, effMainsChanged, 0, 0), 0);
  EXPECT_EQ(dispatch(record, effMainsChanged, 0, -1), 0);
  EXPECT_EQ(dispatch(record, effMainsChanged, 0, 2), 0);
}

TEST_F(DispatcherTest, closeReturnsOneAndDestroysTheObjectAfterItsCloseRan)
{
  bool destroyed = false;
  auto* effect = new StrictMock<MockEffect>(FakeHost::callback, &destroyed);
  EXPECT_CALL(*effect, close()).WillOnce([&destroyed] { EXPECT_FALSE(destroyed); });
  EXPECT_EQ(dispatch(effect->getAeffect(), effClose), 1);
  EXPECT_TRUE(destroyed);
}

TEST_F(DispatcherTest, openAndOtherVoidOpcodesReachTheirOperations)
{
  StrictMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_CALL(effect, open());
  EXPECT_CALL(effect, setSampleRate(FloatEq(48000.0f)));
  EXPECT_CALL(effect, setBlockSize(512));
  EXPECT_CALL(effect, setBlockSize(std::numeric_limits<int32_t>::max()));
  EXPECT_EQ(dispatch(record, effOpen), 0);
  EXPECT_EQ(dispatch(record, effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(dispatch(record, effSetBlockSize, 0, 512), 0);
  if constexpr (sizeof(intptr_t) == 8) {
    dispatch(record, effSetBlockSize, 0, static_cast<intptr_t>(INT64_C(0x7FFFFFFFFF)));
  } else {
    dispatch(record, effSetBlockSize, 0, std::numeric_limits<int32_t>::max());
  }
}

TEST_F(DispatcherTest, textOpcodesPassIndexAndHostBufferAndSkipAMissingBuffer)
{
  StrictMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  char buffer[32] = {};
  EXPECT_CALL(effect, setProgramName(buffer));
  EXPECT_CALL(effect, getProgramName(buffer));
  EXPECT_CALL(effect, getParameterLabel(4, buffer));
  EXPECT_CALL(effect, getParameterDisplay(5, buffer));
  EXPECT_CALL(effect, getParameterName(17, buffer));
  EXPECT_EQ(dispatch(record, effSetProgramName, 0, 0, buffer), 0);
  EXPECT_EQ(dispatch(record, effGetProgramName, 0, 0, buffer), 0);
  EXPECT_EQ(dispatch(record, effGetParamLabel, 4, 0, buffer), 0);
  EXPECT_EQ(dispatch(record, effGetParamDisplay, 5, 0, buffer), 0);
  EXPECT_EQ(dispatch(record, effGetParamName, 17, 0, buffer), 0);
  // No buffer: nothing is called (a StrictMock would fail on any call).
  for (int32_t opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
    EXPECT_EQ(dispatch(record, opcode, 1, 0, nullptr), 0);
  }
}

TEST_F(DispatcherTest, baseTextOperationsWriteEmptyStrings)
{
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  for (int32_t opcode : {effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay, effGetParamName}) {
    char buffer[24];
    std::memset(buffer, 'x', sizeof buffer);
    dispatch(record, opcode, 0, 0, buffer);
    EXPECT_EQ(buffer[0], '\0') << "opcode " << opcode;
    EXPECT_EQ(buffer[1], 'x') << "opcode " << opcode << " wrote past the terminator";
  }
}

TEST_F(DispatcherTest, chunkOpcodesPassThePresetFlagFromIndexAndTheSizeFromValue)
{
  StrictMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  void* chunk = nullptr;
  char data[64] = {};
  {
    InSequence order;
    EXPECT_CALL(effect, getChunk(&chunk, false)).WillOnce(Return(100));
    EXPECT_CALL(effect, getChunk(&chunk, true)).WillOnce(Return(40));
    EXPECT_CALL(effect, setChunk(static_cast<void*>(data), 64, true)).WillOnce(Return(1));
    EXPECT_CALL(effect, setChunk(static_cast<void*>(data), 12, false)).WillOnce(Return(0));
  }
  EXPECT_EQ(dispatch(record, effGetChunk, 0, 0, &chunk), 100);
  EXPECT_EQ(dispatch(record, effGetChunk, 7, 0, &chunk), 40);
  EXPECT_EQ(dispatch(record, effSetChunk, -1, 64, data), 1);
  EXPECT_EQ(dispatch(record, effSetChunk, 0, 12, data), 0);
  // No chunk pointer, or a negative size: no chunk, no call.
  EXPECT_EQ(dispatch(record, effGetChunk, 0, 0, nullptr), 0);
  EXPECT_EQ(dispatch(record, effSetChunk, 0, 12, nullptr), 0);
  EXPECT_EQ(dispatch(record, effSetChunk, 0, -12, data), 0);
}

TEST_F(DispatcherTest, baseHasNoChunks)
{
  BareEffect effect(FakeHost::callback);
  void* chunk = nullptr;
  char data[8] = {};
  EXPECT_EQ(dispatch(effect.getAeffect(), effGetChunk, 0, 0, &chunk), 0);
  EXPECT_EQ(chunk, nullptr);
  EXPECT_EQ(dispatch(effect.getAeffect(), effSetChunk, 1, 8, data), 0);
}

// robustness: editor opcodes (get-rect, open, close, idle) when there is no editor => answered 0, the host pointer untouched
TEST_F(DispatcherTest, editorOpcodesAreAnsweredWithZeroWithoutAnEditor)
{
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  ERect* rect = reinterpret_cast<ERect*>(&effect);  // must stay untouched
  int parentWindow = 0;
  EXPECT_EQ(dispatch(record, effEditGetRect, 0, 0, &rect), 0);
  EXPECT_EQ(rect, reinterpret_cast<ERect*>(&effect));
  EXPECT_EQ(dispatch(record, effEditOpen, 0, 0, &parentWindow), 0);
  EXPECT_EQ(dispatch(record, effEditClose), 0);
  EXPECT_EQ(dispatch(record, effEditIdle), 0);
}

TEST_F(DispatcherTest, editorOpcodesReachTheEditorAndReturnItsAnswers)
{
  BareEffect effect(FakeHost::callback);
  auto* editor = new StrictMock<MockEditor>(&effect);  // owned by the effect
  AEffect* record = effect.getAeffect();
  ERect area{0, 0, 420, 560};
  ERect* rect = nullptr;
  int parentWindow = 0;
  {
    InSequence order;
    EXPECT_CALL(*editor, getRect(&rect)).WillOnce([&area](ERect** out) {
      *out = &area;
      return 1;
    });
    EXPECT_CALL(*editor, open(static_cast<void*>(&parentWindow))).WillOnce(Return(1));
    EXPECT_CALL(*editor, idle());
    EXPECT_CALL(*editor, close());
  }
  EXPECT_EQ(dispatch(record, effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect, &area);
  EXPECT_EQ(dispatch(record, effEditGetRect, 0, 0, nullptr), 0);  // nowhere to write: not asked
  EXPECT_EQ(dispatch(record, effEditOpen, 0, 0, &parentWindow), 1);
  EXPECT_EQ(dispatch(record, effEditIdle), 0);
  EXPECT_EQ(dispatch(record, effEditDraw), 0);  // no editor call for these
  EXPECT_EQ(dispatch(record, effEditTop), 0);
  EXPECT_EQ(dispatch(record, effEditClose), 0);
}

TEST_F(DispatcherTest, parameterAndAudioEntriesReachTheObject)
{
  StrictMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  float left[4] = {};
  float right[4] = {};
  float* inputs[2] = {left, right};
  float* outputs[2] = {right, left};
  EXPECT_CALL(effect, setParameter(7, FloatEq(0.25f)));
  EXPECT_CALL(effect, getParameter(3)).WillOnce(Return(0.75f));
  EXPECT_CALL(effect, process(inputs, outputs, 4));
  EXPECT_CALL(effect, processReplacing(inputs, outputs, 3));
  record->setParameter(record, 7, 0.25f);
  EXPECT_FLOAT_EQ(record->getParameter(record, 3), 0.75f);
  record->process(record, inputs, outputs, 4);
  record->processReplacing(record, inputs, outputs, 3);
}

// robustness: descriptor entries called with a null object pointer, or a null descriptor => nothing done, 0 answered
TEST_F(DispatcherTest, entriesOfARecordWithoutObjectDoNothing)
{
  BareEffect effect(FakeHost::callback);
  AEffect detached = *effect.getAeffect();
  detached.object = nullptr;
  EXPECT_EQ(dispatch(&detached, effIdentify), 0);
  EXPECT_EQ(dispatch(&detached, effClose), 0);
  EXPECT_EQ(detached.getParameter(&detached, 0), 0.0f);
  detached.setParameter(&detached, 0, 1.0f);
  detached.processReplacing(&detached, nullptr, nullptr, 16);
  detached.process(&detached, nullptr, nullptr, 16);
  EXPECT_EQ(effect.getAeffect()->dispatcher(nullptr, effIdentify, 0, 0, nullptr, 0.0f), 0);
}

// The base answers the VST 2.4 questions with "nothing known", writes nothing
// into the host's buffers, and claims the interface version it implements.
TEST_F(DispatcherTest, theBaseAnswersTheLaterOpcodesWithNothingKnownAndVersion2400)
{
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  char text[80];
  std::memset(text, 'x', sizeof text);
  for (int32_t opcode : {26, 29, 35, 45, 47, 48, 49, 51, 52, 56}) {
    EXPECT_EQ(dispatch(record, opcode, 0, 0, text, 0.0f), 0) << "opcode " << opcode;
    EXPECT_EQ(dispatch(record, opcode, 3, 1, nullptr, 0.0f), 0) << "opcode " << opcode << " without a buffer";
  }
  for (char c : text) EXPECT_EQ(c, 'x');
  EXPECT_EQ(dispatch(record, effGetVstVersion), 2400);
  EXPECT_TRUE(host.calls().empty());
}

namespace {

// Answers the later opcodes with values that show what reached it.
class AnsweringEffect : public BareEffect {
public:
  using BareEffect::BareEffect;
  bool canParameterBeAutomated(int32_t index) override { return index == 4; }
  bool getProgramNameIndexed(int32_t category, int32_t index, char* text) override
  {
    std::snprintf(text, kVstMaxProgramNameBytes, "c%d i%d", category, index);
    return index == 2;
  }
  bool getEffectName(char* name) override { return std::strcpy(name, "effect") != nullptr; }
  bool getVendorString(char* text) override { return std::strcpy(text, "vendor") != nullptr; }
  bool getProductString(char* text) override { return std::strcpy(text, "product") != nullptr; }
  int32_t getVendorVersion() override { return 1234; }
  int32_t getPlugCategory() override { return kPlugCategEffect; }
  int32_t canDo(const char* text) override { return std::strcmp(text, "yes") == 0 ? 1 : -1; }
  int32_t getTailSize() override { return 99; }
  bool getParameterProperties(int32_t index, VstParameterProperties* properties) override
  {
    properties->maxInteger = index;
    return index == 7;
  }
};

}  // namespace

TEST_F(DispatcherTest, laterOpcodesReachTheirOperationsWithTheirArguments)
{
  AnsweringEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_EQ(dispatch(record, effCanBeAutomated, 4), 1);
  EXPECT_EQ(dispatch(record, effCanBeAutomated, 5), 0);
  char text[kVstMaxProgramNameBytes] = {};
  // The program is the index, the category travels in value.
  EXPECT_EQ(dispatch(record, effGetProgramNameIndexed, 2, -1, text), 1);
  EXPECT_STREQ(text, "c-1 i2");
  EXPECT_EQ(dispatch(record, effGetProgramNameIndexed, 3, 0, text), 0);
  char name[kVstMaxVendorStringBytes] = {};
  EXPECT_EQ(dispatch(record, effGetEffectName, 0, 0, name), 1);
  EXPECT_STREQ(name, "effect");
  EXPECT_EQ(dispatch(record, effGetVendorString, 0, 0, name), 1);
  EXPECT_STREQ(name, "vendor");
  EXPECT_EQ(dispatch(record, effGetProductString, 0, 0, name), 1);
  EXPECT_STREQ(name, "product");
  EXPECT_EQ(dispatch(record, effGetVendorVersion), 1234);
  EXPECT_EQ(dispatch(record, effGetPlugCategory), kPlugCategEffect);
  char yes[] = "yes";
  char no[] = "no";
  EXPECT_EQ(dispatch(record, effCanDo, 0, 0, yes), 1);
  EXPECT_EQ(dispatch(record, effCanDo, 0, 0, no), -1);
  EXPECT_EQ(dispatch(record, effGetTailSize), 99);
  VstParameterProperties properties{};
  EXPECT_EQ(dispatch(record, effGetParameterProperties, 7, 0, &properties), 1);
  EXPECT_EQ(properties.maxInteger, 7);
  EXPECT_EQ(dispatch(record, effGetParameterProperties, 6, 0, &properties), 0);
  // No buffer: nothing called, nothing answered.
  for (int32_t opcode : {effGetProgramNameIndexed, effGetEffectName, effGetVendorString, effGetProductString, effCanDo,
                         effGetParameterProperties}) {
    EXPECT_EQ(dispatch(record, opcode, 2, -1, nullptr), 0) << "opcode " << opcode;
  }
}
