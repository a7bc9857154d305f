// The LV2 editor's parameter store alone, as the editor panel uses it: what
// goes out to the host (which port, in which unit, when), how a gesture is
// framed, and what it makes of the host's port events.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "effect/ParameterPorts.h"
#include "effect/ParameterTable.h"
#include "lv2/Lv2UiParameters.h"
#include "tests/lv2/UiHostLog.h"

namespace {

using lv2uitest::HostLog;
using lv2uitest::touchPort;
using lv2uitest::writePort;

class Lv2UiParametersTest : public ::testing::Test {
protected:
  HostLog log;
  LV2UI_Touch touch{&log, touchPort};
  Lv2UiParameters store{{writePort, &log, &touch}, {"Sine", "Square", "Saw"}};
};

TEST_F(Lv2UiParametersTest, anEditGoesToItsSettingsPortInThePortsUnitAndShowsWhatTheEffectWouldReport)
{
  const struct {
    int32_t index;
    float edit;
    int32_t setting;  // whose port is written
    float unitValue;
    float shown;  // what the store then reports for `index`
  } edits[] = {
      {filterTypeParameter, 1.0f, filterTypeParameter, 3.0f, 1.0f},   // the fourth position: band-pass
      {firstParameter, 0.35f, firstParameter, 1.0f, 0.4f},            // the Filter stage, shown mid-band
      {stablizeParameter, 0.7f, stablizeParameter, 1.0f, 1.0f},       // on
      {delayTimeAltParameter, 0.5f, delayTimeParameter, 2.5f, 0.5f},  // the second entry sets Delay Time
      {delayFeedBackParameter, 0.25f, delayFeedBackParameter, 0.25f, 0.25f},
  };
  for (const auto& edit : edits) {
    SCOPED_TRACE("parameter " + std::to_string(edit.index));
    log = HostLog{};
    store.setFromUser(edit.index, edit.edit);
    ASSERT_EQ(log.calls, "w");
    EXPECT_EQ(log.ports.front(), portForParameter(edit.setting));
    EXPECT_EQ(log.written.front(), edit.unitValue);
    EXPECT_EQ(store.currentValue(edit.index), edit.shown);
  }
  // The volume in dB: a gain of a half.
  log = HostLog{};
  store.setFromUser(volumeParameter, 0.25f);
  ASSERT_EQ(log.written.size(), 1u);
  EXPECT_NEAR(log.written.front(), -6.0206f, 1e-3f);

  // Within the band that plays a pitch ratio of 1 nothing changes for the
  // host, so nothing is written, and the value stays the band's middle.
  log = HostLog{};
  store.setFromUser(pitchShiftParameter, 0.49f);
  EXPECT_EQ(log.calls, "");
  EXPECT_EQ(store.currentValue(pitchShiftParameter), 0.5f);

  // The texts the panel shows, from the port values and the shape list.
  char text[kParameterTextCapacity];
  store.displayText(delayTimeParameter, text, sizeof text);
  EXPECT_STREQ(text, "2.500");
  store.portChanged(portForParameter(waveShapeParameter), 0.5f);
  store.displayText(waveShapeParameter, text, sizeof text);
  EXPECT_STREQ(text, "Square");
  char tiny[3];
  store.displayText(waveShapeParameter, tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "Sq");
}

TEST_F(Lv2UiParametersTest, theHostCannotMoveAParameterTheUserHoldsAndIsShownAtTheRelease)
{
  const uint32_t port = portForParameter(resonanceParameter);
  store.beginGesture(resonanceParameter);
  store.setFromUser(resonanceParameter, 0.6f);
  store.portChanged(port, 0.1f);                              // the host's automation, while held
  store.portChanged(portForParameter(driveParameter), 0.3f);  // another parameter is not held
  EXPECT_EQ(store.currentValue(resonanceParameter), 0.6f);
  EXPECT_EQ(store.currentValue(driveParameter), 0.3f);
  store.endGesture(resonanceParameter);
  EXPECT_EQ(log.calls, "[w]");
  EXPECT_EQ(log.ports, std::vector<uint32_t>(3, port));
  // Released, the control shows what the port holds: the host's value, which
  // came after the user's edit, and not a stale one until the next event.
  EXPECT_EQ(store.currentValue(resonanceParameter), 0.1f);
  // The other way round, the user's edit is the later one and stays.
  store.beginGesture(resonanceParameter);
  store.portChanged(port, 0.2f);
  store.setFromUser(resonanceParameter, 0.7f);
  store.endGesture(resonanceParameter);
  EXPECT_EQ(store.currentValue(resonanceParameter), 0.7f);
  // A NaN or a port that sets nothing changes nothing.
  store.portChanged(port, std::nanf(""));
  store.portChanged(kAudioInputPort, 0.9f);
  store.portChanged(portCount(), 0.9f);
  EXPECT_EQ(store.currentValue(resonanceParameter), 0.7f);
}

}  // namespace
