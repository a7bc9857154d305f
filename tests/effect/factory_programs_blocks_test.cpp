// The factory programs that track (and Init) with the precise detector play
// the same whatever block size the host chooses: a sung voice through each,
// with Stablize as programmed and on, at blocks of 64, 100 and 1024 gives the
// very samples it gives at 256. The oscillator's continuous engine analyses
// and starts its cycles at the same samples at any block size, and the
// pitch-following filter moves its cut-off at those places too; the other
// stages never depended on the block size.

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

#include "effect/ParameterTable.h"
#include "tests/effect/EffectTestSupport.h"
#include "tests/support/pitch_tracks.h"

namespace {

constexpr float kRate = 44100.0f;
// Every program but Quick Glitch, which keeps the classic detector's glitch on purpose.
constexpr int32_t kLastTrackingProgram = 14;

std::vector<float> render(int32_t program, bool stabilize, std::span<const float> input, int32_t blockSize)
{
  auto effect = effecttest::makeEffect(kRate);
  effect->setProgram(program);
  effect->setParameter(preciseParameter, 1.0f);
  if (stabilize) effect->setParameter(stablizeParameter, 1.0f);
  return effecttest::renderReplacing(*effect, input, blockSize).left;
}

TEST(FactoryProgramsBlocks, EachTrackingProgramPlaysTheSameSamplesAtEveryBlockSize)
{
  effecttest::ShippedShapes shapes;
  std::vector<float> voice = pitch::femaleVoice(1.5).samples;
  const std::vector<float> male = pitch::maleVoice(1.0).samples;
  voice.insert(voice.end(), male.begin(), male.end());
  for (int32_t program = 0; program <= kLastTrackingProgram; ++program) {
    for (const bool stabilize : {false, true}) {
      SCOPED_TRACE(testing::Message() << "program " << program << (stabilize ? " with Stablize" : ""));
      const std::vector<float> reference = render(program, stabilize, voice, 256);
      ASSERT_GT(*std::max_element(reference.begin(), reference.end()), 0.01f);
      for (const int32_t blockSize : {64, 100, 1024}) {
        EXPECT_EQ(render(program, stabilize, voice, blockSize), reference) << "blocks of " << blockSize;
      }
    }
  }
}

}  // namespace
