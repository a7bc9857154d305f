#include "tools/render/Render.h"

#include <algorithm>
#include <cmath>

std::vector<float> pickChannel(const AudioClip& clip, int channel)
{
  const size_t frames = clip.frameCount();
  const auto channels = static_cast<size_t>(clip.channels);
  std::vector<float> mono(frames, 0.0f);
  for (size_t i = 0; i < frames; ++i) {
    const float* frame = &clip.frames[i * channels];
    if (channel >= 0) {
      mono[i] = frame[channel];
    } else {
      double sum = 0.0;
      for (size_t c = 0; c < channels; ++c) sum += frame[c];
      mono[i] = static_cast<float>(sum / static_cast<double>(channels));
    }
  }
  return mono;
}

AudioClip renderThroughPlugin(PluginHost& plugin, const std::vector<float>& input, double sampleRate,
                              const RenderSettings& settings, const RenderProgress& progress)
{
  const size_t block = static_cast<size_t>(std::max(1, settings.blockSize));
  const auto tailFrames = static_cast<size_t>(std::llround(std::max(0.0, settings.tailSeconds) * sampleRate));
  const size_t total = input.size() + tailFrames;

  // The buffers a host would hand over: every input carries the source (a mono
  // source feeds all inputs), every output gets a block of its own.
  const auto inputCount = static_cast<size_t>(std::max(1, plugin.numInputs()));
  const auto outputCount = static_cast<size_t>(std::max(1, plugin.numOutputs()));
  std::vector<std::vector<float>> inputBuffers(inputCount, std::vector<float>(block, 0.0f));
  std::vector<std::vector<float>> outputBuffers(outputCount, std::vector<float>(block, 0.0f));
  std::vector<float*> inputPointers(inputCount);
  std::vector<float*> outputPointers(outputCount);
  for (size_t i = 0; i < inputCount; ++i) inputPointers[i] = inputBuffers[i].data();
  for (size_t i = 0; i < outputCount; ++i) outputPointers[i] = outputBuffers[i].data();

  const int written = settings.mono ? 1 : 2;
  AudioClip output;
  output.sampleRate = sampleRate;
  output.channels = written;
  output.frames.resize(total * static_cast<size_t>(written));

  for (size_t start = 0; start < total; start += block) {
    const size_t frames = std::min(block, total - start);
    for (auto& buffer : inputBuffers) {
      for (size_t i = 0; i < frames; ++i) {
        const size_t at = start + i;
        buffer[i] = at < input.size() ? input[at] : 0.0f;
      }
    }
    // Clean buffers every block: an inert plug-in that writes nothing then
    // renders silence rather than the previous block again.
    for (auto& buffer : outputBuffers) std::fill(buffer.begin(), buffer.end(), 0.0f);
    if (settings.accumulate) {
      plugin.processAccumulating(inputPointers.data(), outputPointers.data(), static_cast<int32_t>(frames));
    } else {
      plugin.processReplacing(inputPointers.data(), outputPointers.data(), static_cast<int32_t>(frames));
    }
    for (size_t i = 0; i < frames; ++i) {
      float* frame = &output.frames[(start + i) * static_cast<size_t>(written)];
      frame[0] = outputBuffers[0][i];
      if (written == 2) frame[1] = outputBuffers[outputCount > 1 ? 1 : 0][i];
    }
    if (progress) progress(static_cast<double>(start + frames) / static_cast<double>(total));
  }
  return output;
}
