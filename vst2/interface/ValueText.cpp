// AudioEffect's value-to-text conversions for parameter displays. Every text is
// written into a host buffer of kConversionBufferSize bytes: at most 8
// characters and the terminating zero.
#include <cmath>
#include <cstdio>

#include "effect/NumberText.h"
#include "vst2/interface/AudioEffect.h"

namespace {

constexpr long long kHugeLongThreshold = 100000000;

}  // namespace

void AudioEffect::float2string(float value, char* text) { writeNumberText(value, text); }

void AudioEffect::dB2string(float value, char* text)
{
  if (value <= 0.0f) {
    writeFieldText(text, kMinusInfinityText);
    return;
  }
  float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

void AudioEffect::Hz2string(float samples, char* text)
{
  if (samples == 0.0f) {
    float2string(0.0f, text);
    return;
  }
  float2string(static_cast<float>(static_cast<double>(getSampleRate()) / samples), text);
}

void AudioEffect::ms2string(float samples, char* text)
{
  float2string(static_cast<float>(static_cast<double>(samples) * 1000.0 / getSampleRate()), text);
}

void AudioEffect::long2string(int32_t value, char* text)
{
  if (value >= kHugeLongThreshold) {
    writeFieldText(text, kHugeText);
    return;
  }
  char formatted[16];  // "%7d" of any 32-bit value needs at most 11 characters
  std::snprintf(formatted, sizeof formatted, "%7d", static_cast<int>(value));
  writeFieldText(text, formatted);
}
