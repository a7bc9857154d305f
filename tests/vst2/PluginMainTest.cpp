// The entry's four steps, with a factory the test steers.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "vst2/interface/PluginEntry.h"
#include "tests/vst2/FakeHost.h"
#include "tests/vst2/TestEffects.h"

namespace {

enum class FactoryMode { Build, FailAllocation, Throw, FailEditor };

FactoryMode factoryMode = FactoryMode::Build;
int factoryCalls = 0;
int effectsAlive = 0;

class CountedEffect : public BareEffect {
public:
  explicit CountedEffect(audioMasterCallback host) : BareEffect(host) { ++effectsAlive; }
  ~CountedEffect() override { --effectsAlive; }
};

class PluginMainTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    factoryMode = FactoryMode::Build;
    factoryCalls = 0;
    effectsAlive = 0;
  }
  void TearDown() override
  {
    // The flag is sticky for the life of a loaded module; each test here
    // stands for a fresh load.
    outOfMemory = false;
  }
  static void closeEffect(AEffect* record) { record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f); }
  FakeHost host;
};

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback hostCallback)
{
  ++factoryCalls;
  switch (factoryMode) {
    case FactoryMode::FailAllocation: return nullptr;
    case FactoryMode::Throw: throw std::bad_alloc();
    case FactoryMode::FailEditor: {
      auto* effect = new CountedEffect(hostCallback);
      outOfMemory = true;  // what an effect does when its editor cannot be had
      return effect;
    }
    case FactoryMode::Build: break;
  }
  return new CountedEffect(hostCallback);
}

// robustness: host answering audioMasterVersion with 0 => main returns null and builds nothing
TEST_F(PluginMainTest, hostAnsweringVersionZeroGetsNothingAndNothingIsBuilt)
{
  EXPECT_EQ(pluginMain(FakeHost::callback), nullptr);
  EXPECT_EQ(factoryCalls, 0);
  ASSERT_EQ(host.calls().size(), 1u);
  const HostCall& question = host.calls()[0];
  EXPECT_EQ(question.effect, nullptr);
  EXPECT_EQ(question.opcode, audioMasterVersion);
  EXPECT_EQ(question.index, 0);
  EXPECT_EQ(question.value, 0);
  EXPECT_EQ(question.ptr, nullptr);
  EXPECT_EQ(question.opt, 0.0f);
}

// robustness: main called with a null host callback => returns null
TEST_F(PluginMainTest, missingCallbackGetsNothing)
{
  EXPECT_EQ(pluginMain(nullptr), nullptr);
  EXPECT_EQ(factoryCalls, 0);
}

TEST_F(PluginMainTest, anyNonZeroVersionGetsALiveDescriptorOwnedByTheHost)
{
  for (intptr_t version : {1, 2400, -1}) {
    host.answer(audioMasterVersion, version);
    AEffect* record = pluginMain(FakeHost::callback);
    ASSERT_NE(record, nullptr) << "version " << version;
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->dispatcher(record, effIdentify, 0, 0, nullptr, 0.0f), 0x4E764566);
    EXPECT_EQ(effectsAlive, 1);
    closeEffect(record);
    EXPECT_EQ(effectsAlive, 0);
  }
}

TEST_F(PluginMainTest, eachCallBuildsItsOwnEffect)
{
  host.answer(audioMasterVersion, 2400);
  AEffect* first = pluginMain(FakeHost::callback);
  AEffect* second = pluginMain(FakeHost::callback);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(effectsAlive, 2);
  closeEffect(first);
  closeEffect(second);
  EXPECT_EQ(effectsAlive, 0);
}

// robustness: effect construction running out of memory or throwing => main returns null; no exception reaches the host
TEST_F(PluginMainTest, failedAllocationOrExceptionGivesNull)
{
  host.answer(audioMasterVersion, 2400);
  factoryMode = FactoryMode::FailAllocation;
  EXPECT_EQ(pluginMain(FakeHost::callback), nullptr);
  factoryMode = FactoryMode::Throw;
  EXPECT_EQ(pluginMain(FakeHost::callback), nullptr);
  EXPECT_EQ(factoryCalls, 2);
}

TEST_F(PluginMainTest, editorFailureDestroysTheEffectAndRefusesEveryLaterCall)
{
  host.answer(audioMasterVersion, 2400);
  factoryMode = FactoryMode::FailEditor;
  EXPECT_EQ(pluginMain(FakeHost::callback), nullptr);
  EXPECT_EQ(effectsAlive, 0);

  factoryMode = FactoryMode::Build;  // memory is back, but the flag stays
  EXPECT_EQ(pluginMain(FakeHost::callback), nullptr);
  EXPECT_EQ(effectsAlive, 0);
  EXPECT_EQ(factoryCalls, 2);
}
