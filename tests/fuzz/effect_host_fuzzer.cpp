// Fuzzes the whole plug-in as a hostile host would drive it: the entry, then
// a fuzzed sequence of calls through the descriptor only (dispatcher opcodes
// with fuzzed index, value, buffer and float; parameter sets and reads with
// NaN, infinities, denormals and huge values; program changes; sample-rate
// and block-size changes; blocks of 0 to 100000 frames of audio laced with
// NaN, infinities and denormals through both audio routines), and effClose
// at the end. Besides the sanitizers' checks it verifies:
// - text opcodes write a terminated text within 24 bytes and nothing beyond;
// - processReplacing writes the same block to both outputs, and neither
//   routine touches the outputs for a block of no frames;
// - while every parameter stays within 0..1 and the input within +-1e6 (NaN
//   and infinities allowed: they are silence to every stage), every output
//   sample is a finite number.

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "vst2/interface/AEffect.h"
#include "vst2/interface/PluginEntry.h"
#include "platform/fake/FakePlatformServices.h"
#include "tests/fuzz/FuzzTempFile.h"

using fuzzing::fail;

namespace {

constexpr std::size_t kLargestBlock = 100000;
// Frames per input, so that one input stays quick enough to fuzz.
constexpr std::size_t kFramesPerInput = 300000;
constexpr std::size_t kHostBuffer = 512;
// Hosts hand the plug-in text buffers of at least this many bytes.
constexpr std::size_t kTextCapacity = 24;
constexpr unsigned char kCanary = 0xA5;
// Louder than any sane signal, still far from overflowing any stage.
constexpr float kLoudest = 1e6f;
constexpr int32_t kParameterCount = 24;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();
constexpr float kDenormal = 1e-41f;

// Values a host may send as parameters; the fuzzer also sends raw bits.
constexpr std::array<float, 22> kParameterValues{0.0f,
                                                 -0.0f,
                                                 1.0f,
                                                 0.5f,
                                                 0.25f,
                                                 0.26f,
                                                 0.51f,
                                                 0.76f,
                                                 0.333333f,
                                                 0.666666f,
                                                 0.9999f,
                                                 kDenormal,
                                                 -kDenormal,
                                                 -0.1f,
                                                 1.5f,
                                                 2.0f,
                                                 -1e30f,
                                                 1e30f,
                                                 std::numeric_limits<float>::max(),
                                                 kInfinity,
                                                 -kInfinity,
                                                 kNaN};
// Rates a host may announce, from the plausible to the absurd.
constexpr std::array<float, 20> kSampleRates{8000.0f,   11025.0f,  22050.0f,  32000.0f, 44100.0f,  48000.0f, 88200.0f,
                                             96000.0f,  192000.0f, 384000.0f, 0.0f,     -44100.0f, 1.0f,     999.0f,
                                             768001.0f, 1e7f,      2e7f,      kNaN,     kInfinity, kDenormal};
// Block sizes worth hitting exactly.
constexpr std::array<int32_t, 12> kBlockSizes{0, 1, 2, 3, 63, 64, 512, 1024, 4097, 8192, 8193, 100000};
// Samples dropped into audio blocks.
constexpr std::array<float, 10> kSpikes{
    kNaN,       -kNaN,    kInfinity, -kInfinity, kDenormal,
    -kDenormal, kLoudest, -kLoudest, 1e30f,      -std::numeric_limits<float>::max()};

intptr_t host(AEffect* /*effect*/, int32_t opcode, int32_t /*index*/, intptr_t /*value*/, void* /*ptr*/, float /*opt*/)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The effect reads its shapes from the copy of the shipped folder beside this binary.
struct ShippedShapes {
  FakePlatformServices services;
  ShippedShapes()
  {
    services.registryPath = BRASKLIN_FUZZ_VST_DIR;
    setPlatformServicesOverride(&services);
  }
};

class HostileHost {
public:
  HostileHost(FuzzedDataProvider& fuzz, AEffect* effect) : fuzz(fuzz), effect(effect) {}

  void run()
  {
    while (fuzz.remaining_bytes() > 0 && framesLeft > 0) {
      switch (fuzz.ConsumeIntegralInRange<int>(0, 9)) {
        case 0: dispatch(); break;
        case 1: setParameter(); break;
        case 2: (void)effect->getParameter(effect, parameterIndex()); break;
        case 3: setSampleRate(); break;
        case 4: (void)effect->dispatcher(effect, effSetBlockSize, 0, blockSize(), nullptr, 0.0f); break;
        case 5: setProgram(); break;
        case 6:
          (void)effect->dispatcher(effect, effMainsChanged, 0, fuzz.ConsumeIntegralInRange<int>(0, 1), nullptr, 0.0f);
          break;
        case 7: texts(); break;
        default: audioBlock(); break;
      }
    }
  }

private:
  float parameterValue()
  {
    if (fuzz.ConsumeBool()) return fuzz.PickValueInArray(kParameterValues);
    const auto bits = fuzz.ConsumeIntegral<uint32_t>();
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }

  int32_t parameterIndex()
  {
    return fuzz.ConsumeBool() ? fuzz.ConsumeIntegralInRange<int32_t>(-2, kParameterCount + 1)
                              : fuzz.ConsumeIntegral<int32_t>();
  }

  int32_t blockSize()
  {
    return fuzz.ConsumeBool() ? fuzz.PickValueInArray(kBlockSizes) : fuzz.ConsumeIntegral<int32_t>();
  }

  void setParameter()
  {
    const int32_t index = parameterIndex();
    const float value = parameterValue();
    // Out of range values go through the same formulas unclamped (a Volume of
    // 1e30 is a gain of 4e30), so the output can no longer be expected finite.
    if (!(value >= 0.0f && value <= 1.0f)) parametersInRange = false;
    effect->setParameter(effect, index, value);
  }

  void setSampleRate()
  {
    const float rate =
        fuzz.ConsumeBool() ? fuzz.PickValueInArray(kSampleRates) : fuzz.ConsumeFloatingPointInRange<float>(1.0f, 1e6f);
    (void)effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate);
  }

  void setProgram()
  {
    const intptr_t program =
        fuzz.ConsumeBool() ? fuzz.ConsumeIntegralInRange<intptr_t>(-2, 17) : fuzz.ConsumeIntegral<intptr_t>();
    (void)effect->dispatcher(effect, effSetProgram, 0, program, nullptr, 0.0f);
  }

  // Any opcode but the two whose arguments a host cannot get wrong without
  // breaking its own side: effClose (it deletes the effect; sent at the end)
  // and effEditOpen (its pointer is a window of the host's).
  void dispatch()
  {
    int32_t opcode = fuzz.ConsumeIntegralInRange<int32_t>(-2, 80);
    if (opcode == effClose || opcode == effEditOpen) opcode = effIdentify;
    const int32_t index = fuzz.ConsumeIntegral<int32_t>();
    intptr_t value = fuzz.ConsumeIntegral<intptr_t>();
    // A chunk the host hands over is as long as it says.
    if (opcode == effSetChunk) value = std::clamp<intptr_t>(value, -1, kHostBuffer);
    const float opt = parameterValue();
    std::array<char, kHostBuffer> buffer{};
    const auto bytes = fuzz.ConsumeBytes<char>(fuzz.ConsumeIntegralInRange<std::size_t>(0, kHostBuffer));
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    void* ptr = fuzz.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : buffer.data();
    (void)effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }

  // The opcodes that write text into a host buffer.
  void texts()
  {
    static constexpr std::array<int32_t, 4> kTextOpcodes{effGetProgramName, effGetParamLabel, effGetParamDisplay,
                                                         effGetParamName};
    const int32_t opcode = fuzz.PickValueInArray(kTextOpcodes);
    std::array<unsigned char, kHostBuffer> buffer{};
    buffer.fill(kCanary);
    (void)effect->dispatcher(effect, opcode, parameterIndex(), 0, buffer.data(), 0.0f);
    if (std::any_of(buffer.begin() + kTextCapacity, buffer.end(), [](unsigned char c) { return c != kCanary; }))
      fail("a text opcode wrote beyond 24 bytes");
    const bool touched =
        std::any_of(buffer.begin(), buffer.begin() + kTextCapacity, [](unsigned char c) { return c != kCanary; });
    if (touched && std::find(buffer.begin(), buffer.begin() + kTextCapacity, 0) == buffer.begin() + kTextCapacity)
      fail("a text opcode left its text unterminated");
  }

  int32_t blockFrames()
  {
    int32_t frames =
        fuzz.ConsumeBool() ? fuzz.PickValueInArray(kBlockSizes) : fuzz.ConsumeIntegralInRange<int32_t>(-4, 2048);
    frames = std::min<int32_t>(frames, static_cast<int32_t>(framesLeft));
    return frames;
  }

  // Fills the input with a tone, noise or a constant, then drops spikes in.
  // Returns whether the input stays within what a finite output may be asked of.
  bool fillInput(std::size_t frames)
  {
    const int kind = fuzz.ConsumeIntegralInRange<int>(0, 3);
    const float level = fuzz.ConsumeBool() ? fuzz.ConsumeFloatingPointInRange<float>(0.0f, 1.0f) : 1.0f;
    const double step = fuzz.ConsumeFloatingPointInRange<double>(0.0, 0.5);
    uint32_t noise = fuzz.ConsumeIntegral<uint32_t>() | 1u;
    for (std::size_t i = 0; i < frames; ++i) {
      switch (kind) {
        case 0: left[i] = 0.0f; break;
        case 1:
          left[i] = level * static_cast<float>(std::sin(step * 6.283185307179586 * static_cast<double>(i)));
          break;
        case 2:
          noise ^= noise << 13;
          noise ^= noise >> 17;
          noise ^= noise << 5;
          left[i] = level * (static_cast<float>(noise) / 2147483648.0f - 1.0f);
          break;
        default: left[i] = level; break;
      }
      right[i] = -left[i];
    }
    bool tame = true;
    const int spikes = fuzz.ConsumeIntegralInRange<int>(0, 16);
    for (int s = 0; s < spikes && frames > 0; ++s) {
      const auto at = fuzz.ConsumeIntegralInRange<std::size_t>(0, frames - 1);
      const auto run = fuzz.ConsumeIntegralInRange<std::size_t>(1, 64);
      const float spike = fuzz.PickValueInArray(kSpikes);
      if (std::isfinite(spike) && std::fabs(spike) > kLoudest) tame = false;
      for (std::size_t i = at; i < std::min(frames, at + run); ++i) left[i] = spike;
    }
    return tame;
  }

  void audioBlock()
  {
    const bool replacing = fuzz.ConsumeBool();
    const int32_t frames = blockFrames();
    const std::size_t count = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    const bool tame = fillInput(count);
    // What a host leaves in its output buffers, plus one sample beyond the block.
    constexpr float kBefore = 0.125f;
    std::fill_n(outLeft.begin(), count + 1, kBefore);
    std::fill_n(outRight.begin(), count + 1, kBefore);
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    if (replacing) {
      effect->processReplacing(effect, inputs, outputs, frames);
    } else {
      effect->process(effect, inputs, outputs, frames);
    }
    framesLeft -= std::max<std::size_t>(count, 1);

    if (outLeft[count] != kBefore || outRight[count] != kBefore) fail("an audio routine wrote beyond the block");
    if (count == 0) {
      if (outLeft[0] != kBefore || outRight[0] != kBefore) fail("a block of no frames changed the outputs");
      return;
    }
    for (std::size_t i = 0; i < count; ++i) {
      // Compared as bits: NaN must be copied as NaN, too.
      if (std::bit_cast<uint32_t>(outLeft[i]) != std::bit_cast<uint32_t>(outRight[i])) fail("the two outputs differ");
    }
    if (tame && parametersInRange) {
      for (std::size_t i = 0; i < count; ++i) {
        if (!std::isfinite(outLeft[i])) fail("a sample that is not a finite number in the output");
      }
    }
  }

  FuzzedDataProvider& fuzz;
  AEffect* effect;
  bool parametersInRange = true;
  std::size_t framesLeft = kFramesPerInput;
  static inline std::vector<float> left = std::vector<float>(kLargestBlock + 1);
  static inline std::vector<float> right = std::vector<float>(kLargestBlock + 1);
  static inline std::vector<float> outLeft = std::vector<float>(kLargestBlock + 1);
  static inline std::vector<float> outRight = std::vector<float>(kLargestBlock + 1);
};

}  // namespace

// robustness: fuzzed sequences of host calls through the descriptor: any opcode with junk index, value, buffer and float; hostile parameter values and indices; program numbers; sample rates; block sizes; blocks of 0..100000 frames laced with NaN, infinities and denormals; effClose at the end (libFuzzer) => no crash or sanitizer finding; texts within 24 bytes; both outputs equal; finite output while settings are in range
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
  static ShippedShapes shapes;
  FuzzedDataProvider fuzz(data, size);
  AEffect* effect = pluginMain(&host);
  if (effect == nullptr) fail("the entry refused a host that answers its version");
  if (!shapes.services.messages.empty()) fail("the shipped shapes did not load");
  HostileHost(fuzz, effect).run();
  (void)effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
