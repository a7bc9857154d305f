// The record the host reads, as the base builds it and as the setters change it,
// and the state the base keeps for its derived effect.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "tests/vst2/FakeHost.h"
#include "tests/vst2/TestEffects.h"
#include "tests/support/WaitDeadline.h"

using ::testing::NiceMock;

namespace {

bool allZero(const char* bytes, std::size_t count)
{
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

TEST(DescriptorTest, freshBaseRecordHasTheDefaultsHostsSee)
{
  FakeHost host;
  BareEffect effect(FakeHost::callback, 16, 18);
  const AEffect& fresh = effect.atConstruction;
  EXPECT_EQ(fresh.magic, 0x56737450);  // 'VstP'
  EXPECT_NE(fresh.dispatcher, nullptr);
  EXPECT_NE(fresh.process, nullptr);
  EXPECT_NE(fresh.setParameter, nullptr);
  EXPECT_NE(fresh.getParameter, nullptr);
  EXPECT_NE(fresh.processReplacing, nullptr);
  EXPECT_EQ(fresh.numPrograms, 16);
  EXPECT_EQ(fresh.numParams, 18);
  EXPECT_EQ(fresh.numInputs, 1);
  EXPECT_EQ(fresh.numOutputs, 2);
  EXPECT_EQ(fresh.flags, 0);
  EXPECT_EQ(fresh.resvd1, 0);
  EXPECT_EQ(fresh.resvd2, 0);
  EXPECT_EQ(fresh.initialDelay, 0);
  EXPECT_EQ(fresh.realQualities, 0);
  EXPECT_EQ(fresh.offQualities, 0);
  EXPECT_EQ(fresh.ioRatio, 1.0f);
  EXPECT_EQ(fresh.object, static_cast<void*>(static_cast<AudioEffect*>(&effect)));
  EXPECT_EQ(fresh.user, nullptr);
  EXPECT_EQ(fresh.uniqueID, 0x4E6F4566);  // 'NoEf'
  EXPECT_EQ(fresh.version, 1);
  EXPECT_TRUE(allZero(fresh.future, sizeof fresh.future));
  // Nothing asked the host anything while building.
  EXPECT_TRUE(host.calls().empty());
}

TEST(DescriptorTest, fourCharCodesPackTheFirstCharacterHighest)
{
  EXPECT_EQ(fourCharCode("VstP"), 0x56737450);
  EXPECT_EQ(fourCharCode("BrKl"), ('B' << 24) | ('r' << 16) | ('K' << 8) | 'l');
  EXPECT_EQ(fourCharCode("\xff\x01\x02\x03"), static_cast<int32_t>(0xFF010203u));
}

TEST(DescriptorTest, negativeCountsAreRecordedAsNone)
{
  BareEffect effect(nullptr, -3, -1);
  EXPECT_EQ(effect.getAeffect()->numPrograms, 0);
  EXPECT_EQ(effect.getAeffect()->numParams, 0);
}

TEST(DescriptorTest, settersWriteTheirFieldsAndEachFlagBitAlone)
{
  BareEffect effect(nullptr);
  AEffect* record = effect.getAeffect();
  effect.setUniqueID(fourCharCode("BrKl"));
  effect.setNumInputs(2);
  effect.setNumOutputs(6);
  effect.setInitialDelay(128);
  effect.setRealtimeQualities(3);
  effect.setOfflineQualities(5);
  EXPECT_EQ(record->uniqueID, fourCharCode("BrKl"));
  EXPECT_EQ(record->numInputs, 2);
  EXPECT_EQ(record->numOutputs, 6);
  EXPECT_EQ(record->initialDelay, 128);
  EXPECT_EQ(record->realQualities, 3);
  EXPECT_EQ(record->offQualities, 5);

  struct FlagSetter {
    void (AudioEffect::*set)(bool);
    int32_t bit;
  };
  const FlagSetter setters[] = {{&AudioEffect::hasClip, 2},
                                {&AudioEffect::hasVu, 4},
                                {&AudioEffect::canMono, 8},
                                {&AudioEffect::canProcessReplacing, 16},
                                {&AudioEffect::programsAreChunks, 32}};
  int32_t expected = 0;
  for (const FlagSetter& setter : setters) {
    (effect.*setter.set)(true);
    expected |= setter.bit;
    EXPECT_EQ(record->flags, expected);
  }
  for (const FlagSetter& setter : setters) {
    (effect.*setter.set)(false);
    expected &= ~setter.bit;
    EXPECT_EQ(record->flags, expected);
  }
  effect.canMono();  // the state defaults to "on"
  EXPECT_EQ(record->flags, 8);
}

TEST(DescriptorTest, editorSetsTheHasEditorFlagAndDiesWithTheEffect)
{
  bool editorDestroyed = false;
  {
    BareEffect effect(nullptr);
    effect.canMono();
    auto* editor = new NiceMock<MockEditor>(&effect, &editorDestroyed);
    EXPECT_EQ(effect.getEditor(), editor);
    EXPECT_EQ(effect.getAeffect()->flags, 8 | 1);
    effect.setEditor(nullptr);  // given up: the flag goes, the other bits stay
    EXPECT_EQ(effect.getAeffect()->flags, 8);
    effect.setEditor(editor);
    EXPECT_EQ(effect.getAeffect()->flags, 8 | 1);
    EXPECT_FALSE(editorDestroyed);
  }
  EXPECT_TRUE(editorDestroyed);
}

TEST(DescriptorTest, sampleRateAndBlockSizeKeepDefaultsUntilAValidValueArrives)
{
  BareEffect effect(nullptr);
  AEffect* record = effect.getAeffect();
  EXPECT_EQ(effect.getSampleRate(), 44100.0f);
  EXPECT_EQ(effect.getBlockSize(), 1024);

  record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, 96000.0f);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);
  for (float bad :
       {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 1.0e12f}) {
    record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, bad);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f) << "after " << bad;
  }
  record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, 8000.0f);
  EXPECT_EQ(effect.getSampleRate(), 8000.0f);

  record->dispatcher(record, effSetBlockSize, 0, 100000, nullptr, 0.0f);
  EXPECT_EQ(effect.getBlockSize(), 100000);
  record->dispatcher(record, effSetBlockSize, 0, -64, nullptr, 0.0f);
  EXPECT_EQ(effect.getBlockSize(), 100000);
  record->dispatcher(record, effSetBlockSize, 0, 1, nullptr, 0.0f);
  EXPECT_EQ(effect.getBlockSize(), 1);
}

TEST(EditorBaseTest, registersWithItsEffectAndHasNoRectangle)
{
  BareEffect effect(nullptr);
  auto* editor = new AEffEditor(&effect);
  EXPECT_EQ(effect.getEditor(), editor);
  EXPECT_EQ(editor->getEffect(), &effect);
  EXPECT_EQ(effect.getAeffect()->flags, effFlagsHasEditor);

  ERect dummy{};
  ERect* rect = &dummy;
  EXPECT_EQ(editor->getRect(&rect), 0);
  EXPECT_EQ(rect, nullptr);
  EXPECT_EQ(editor->getRect(nullptr), 0);

  int parentWindow = 0;
  EXPECT_EQ(editor->getParentWindow(), nullptr);
  EXPECT_EQ(effect.getAeffect()->dispatcher(effect.getAeffect(), effEditOpen, 0, 0, &parentWindow, 0.0f), 0);
  EXPECT_EQ(editor->getParentWindow(), &parentWindow);
}

namespace {
class CountingEditor : public AEffEditor {
public:
  using AEffEditor::AEffEditor;
  void update() override { ++updates; }
  int updates = 0;
};
}  // namespace

TEST(EditorBaseTest, postedUpdatesRunOnceAtTheNextIdle)
{
  CountingEditor editor(nullptr);
  editor.idle();
  EXPECT_EQ(editor.updates, 0);
  editor.postUpdate();
  editor.postUpdate();
  editor.idle();
  EXPECT_EQ(editor.updates, 1);
  editor.idle();
  EXPECT_EQ(editor.updates, 1);
  editor.postUpdate();
  editor.idle();
  EXPECT_EQ(editor.updates, 2);
}

TEST(DescriptorTest, settingsWrittenByOneThreadReadWholeOnAnother)
{
  // The host may set the rate and program on its interface thread while the
  // audio thread reads them; every read must be a value that was written.
  BareEffect effect(nullptr);
  AEffect* record = effect.getAeffect();
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      record->dispatcher(record, effSetSampleRate, 0, 0, nullptr, (i & 1) != 0 ? 48000.0f : 96000.0f);
      record->dispatcher(record, effSetProgram, 0, i % 16, nullptr, 0.0f);
      record->dispatcher(record, effSetBlockSize, 0, (i & 1) != 0 ? 64 : 4096, nullptr, 0.0f);
    }
    done = true;
  });
  int unexpected = 0;
  const testsupport::WaitDeadline deadline("the settings writer thread");
  while (!done) {
    deadline.check();
    const float rate = effect.getSampleRate();
    const int32_t program = effect.getProgram();
    const int32_t block = effect.getBlockSize();
    unexpected += (rate != 44100.0f && rate != 48000.0f && rate != 96000.0f) ? 1 : 0;
    unexpected += (program < 0 || program > 15) ? 1 : 0;
    unexpected += (block != 1024 && block != 64 && block != 4096) ? 1 : 0;
  }
  writer.join();
  EXPECT_EQ(unexpected, 0);
  EXPECT_EQ(effect.getProgram(), 19999 % 16);
}
