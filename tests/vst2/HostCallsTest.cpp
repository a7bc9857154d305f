// The plug-in's own calls to its host: what goes out through the callback, and
// the answers the wrappers give when the host says nothing or is absent.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/vst2/FakeHost.h"
#include "tests/vst2/TestEffects.h"

using ::testing::FloatEq;
using ::testing::NiceMock;

namespace {

// Argument order follows the callback's own.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void expectPlainCall(const HostCall& call, AEffect* record, int32_t opcode, int32_t index, intptr_t value)
{
  EXPECT_EQ(call.effect, record);
  EXPECT_EQ(call.opcode, opcode);
  EXPECT_EQ(call.index, index);
  EXPECT_EQ(call.value, value);
  EXPECT_EQ(call.ptr, nullptr);
  EXPECT_EQ(call.opt, 0.0f);
}

}  // namespace

TEST(HostCallsTest, automationAppliesTheValueFirstAndThenTellsTheHost)
{
  FakeHost host;
  NiceMock<MockEffect> effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_CALL(effect, setParameter(5, FloatEq(0.625f))).WillOnce([&host] {
    EXPECT_TRUE(host.calls().empty()) << "the host heard of the change before it was applied";
  });
  effect.setParameterAutomated(5, 0.625f);
  ASSERT_EQ(host.calls().size(), 1u);
  const HostCall& call = host.calls()[0];
  EXPECT_EQ(call.effect, record);
  EXPECT_EQ(call.opcode, audioMasterAutomate);
  EXPECT_EQ(call.index, 5);
  EXPECT_EQ(call.value, 0);
  EXPECT_EQ(call.ptr, nullptr);
  EXPECT_EQ(call.opt, 0.625f);
}

TEST(HostCallsTest, automationWithoutHostStillAppliesTheValue)
{
  NiceMock<MockEffect> effect(nullptr);
  EXPECT_CALL(effect, setParameter(2, FloatEq(1.0f)));
  effect.setParameterAutomated(2, 1.0f);
}

TEST(HostCallsTest, versionAndIdAreTheHostsAnswersWithDefaultsForSilence)
{
  FakeHost host;
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();

  EXPECT_EQ(effect.getMasterVersion(), 1);  // host answers 0
  host.answer(audioMasterVersion, 2400);
  EXPECT_EQ(effect.getMasterVersion(), 2400);
  EXPECT_EQ(effect.getCurrentUniqueId(), 0);
  host.answer(audioMasterCurrentId, fourCharCode("BrKl"));
  EXPECT_EQ(effect.getCurrentUniqueId(), fourCharCode("BrKl"));
  effect.masterIdle();

  ASSERT_EQ(host.calls().size(), 5u);
  expectPlainCall(host.calls()[0], record, audioMasterVersion, 0, 0);
  expectPlainCall(host.calls()[1], record, audioMasterVersion, 0, 0);
  expectPlainCall(host.calls()[2], record, audioMasterCurrentId, 0, 0);
  expectPlainCall(host.calls()[3], record, audioMasterCurrentId, 0, 0);
  expectPlainCall(host.calls()[4], record, audioMasterIdle, 0, 0);
}

TEST(HostCallsTest, pinsCountAsConnectedWhenTheHostAnswersZero)
{
  FakeHost host;
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_TRUE(effect.isInputConnected(0));
  EXPECT_TRUE(effect.isOutputConnected(1));
  host.answer(audioMasterPinConnected, 1);
  EXPECT_FALSE(effect.isInputConnected(1));
  EXPECT_FALSE(effect.isOutputConnected(0));

  ASSERT_EQ(host.calls().size(), 4u);
  expectPlainCall(host.calls()[0], record, audioMasterPinConnected, 0, 0);  // input: value 0
  expectPlainCall(host.calls()[1], record, audioMasterPinConnected, 1, 1);  // output: value 1
  expectPlainCall(host.calls()[2], record, audioMasterPinConnected, 1, 0);
  expectPlainCall(host.calls()[3], record, audioMasterPinConnected, 0, 1);
}

TEST(HostCallsTest, editGesturesNameTheParameterAndReportTheHostsAnswer)
{
  FakeHost host;
  BareEffect effect(FakeHost::callback);
  AEffect* record = effect.getAeffect();
  EXPECT_FALSE(effect.beginEdit(9));  // the host answers 0
  EXPECT_FALSE(effect.endEdit(9));
  host.answer(audioMasterBeginEdit, 1);
  host.answer(audioMasterEndEdit, 1);
  EXPECT_TRUE(effect.beginEdit(17));
  EXPECT_TRUE(effect.endEdit(17));
  ASSERT_EQ(host.calls().size(), 4u);
  expectPlainCall(host.calls()[0], record, 43, 9, 0);
  expectPlainCall(host.calls()[1], record, 44, 9, 0);
  expectPlainCall(host.calls()[2], record, 43, 17, 0);
  expectPlainCall(host.calls()[3], record, 44, 17, 0);
}

TEST(HostCallsTest, withoutHostEveryWrapperGivesItsDefault)
{
  FakeHost unrelated;  // would record anything that leaked through a stale pointer
  BareEffect effect(nullptr);
  EXPECT_EQ(effect.getMasterVersion(), 1);
  EXPECT_EQ(effect.getCurrentUniqueId(), 0);
  effect.masterIdle();
  EXPECT_TRUE(effect.isInputConnected(0));
  EXPECT_TRUE(effect.isOutputConnected(1));
  effect.setParameterAutomated(0, 0.5f);
  EXPECT_FALSE(effect.beginEdit(0));
  EXPECT_FALSE(effect.endEdit(0));
  EXPECT_TRUE(unrelated.calls().empty());
}
