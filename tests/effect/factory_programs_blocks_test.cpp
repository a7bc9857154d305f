// The factory programs that track (and Init) with the precise detector play
// the same whatever block size the host chooses: a sung voice through each,
// with Stablize as programmed and on, at blocks of 64 (run in place, as hosts
// often do), 100 and 1024 gives the very samples it gives at 256 into
// separate buffers, at 44.1, 48 and 96 kHz, every setting made before the
// first block. The oscillator's continuous engine analyses
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

// Every program but Quick Glitch, which keeps the classic detector's glitch on purpose.
constexpr int32_t kLastTrackingProgram = 14;
// The block size whose run is in place: the input buffer is the first output.
constexpr int32_t kInPlaceBlock = 64;

std::vector<float> render(float rate, int32_t program, bool stabilize, std::span<const float> input, int32_t blockSize)
{
  auto effect = effecttest::makeEffect(rate);
  effect->setProgram(program);
  effect->setParameter(preciseParameter, 1.0f);
  if (stabilize) effect->setParameter(stablizeParameter, 1.0f);
  if (blockSize != kInPlaceBlock) return effecttest::renderReplacing(*effect, input, blockSize).left;
  std::vector<float> buffer(input.begin(), input.end()), second(buffer.size());
  for (std::size_t start = 0; start < buffer.size(); start += kInPlaceBlock) {
    const auto count = static_cast<int32_t>(std::min<std::size_t>(kInPlaceBlock, buffer.size() - start));
    float* inputs[2] = {buffer.data() + start, nullptr};
    float* outputs[2] = {buffer.data() + start, second.data() + start};
    effect->processReplacing(inputs, outputs, count);
  }
  return buffer;
}

TEST(FactoryProgramsBlocks, EachTrackingProgramPlaysTheSameSamplesAtEveryBlockSize)
{
  effecttest::ShippedShapes shapes;
  std::vector<float> voice = pitch::femaleVoice(1.5).samples;
  const std::vector<float> male = pitch::maleVoice(1.0).samples;
  voice.insert(voice.end(), male.begin(), male.end());
  for (const float rate : {44100.0f, 48000.0f, 96000.0f}) {
    for (int32_t program = 0; program <= kLastTrackingProgram; ++program) {
      for (const bool stabilize : {false, true}) {
        SCOPED_TRACE(testing::Message() << "program " << program << (stabilize ? " with Stablize" : "") << " at "
                                        << rate << " Hz");
        const std::vector<float> reference = render(rate, program, stabilize, voice, 256);
        ASSERT_GT(*std::max_element(reference.begin(), reference.end()), 0.01f);
        for (const int32_t blockSize : {kInPlaceBlock, 100, 1024}) {
          EXPECT_EQ(render(rate, program, stabilize, voice, blockSize), reference) << "blocks of " << blockSize;
        }
      }
    }
  }
}

}  // namespace
