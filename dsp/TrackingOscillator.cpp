#include "dsp/TrackingOscillator.h"

#include "dsp/FftPeak.h"
#include "dsp/PortableMath.h"

#include <algorithm>
#include <cmath>

namespace {

// Below any real magnitude, so the first bin examined always wins over it.
constexpr double kNoPeakYet = -1.0e9;
constexpr float kSilentTable[1] = {0.0f};

bool isUsableLength(int32_t length)
{
  return length >= 1 && length <= TrackingOscillator::kMaxFftLength && (length & (length - 1)) == 0;
}

// k for a usable length of 2^k.
std::size_t engineIndex(int32_t length)
{
  std::size_t index = 0;
  while ((int32_t{1} << index) < length) ++index;
  return index;
}

// Non-finite input would poison the whole spectrum (and through the amplitude
// the output) for as long as it stays in the analysis ring; analyse it as silence.
float finiteOrSilence(float sample) { return std::isfinite(sample) ? sample : 0.0f; }

}  // namespace

TrackingOscillator::TrackingOscillator()
    : carryBuffer_(std::make_unique<float[]>(kCarryCapacity)),
      spectrum_(std::make_unique<float[]>(kMaxFftLength)),
      analysisBuffer_(std::make_unique<float[]>(kMaxFftLength))
{
  // Every length the stage accepts, ready before the first block: a host
  // may switch the length between any two blocks, and building an engine
  // there would allocate on the audio thread.
  for (std::size_t k = 0; k < engines_.size(); ++k) engines_[k] = std::make_unique<Fft>(int32_t{1} << k);
  fft_ = engines_[engineIndex(kDefaultFftLength)].get();
}

TrackingOscillator::~TrackingOscillator() = default;

void TrackingOscillator::setRatio(float ratio)
{
  if (std::isfinite(ratio)) ratio_.store(ratio, std::memory_order_relaxed);
}

// NaN is kept as it is: the gate reads every threshold not above kGateOff as off.
void TrackingOscillator::setGateThreshold(float decibels) { gateDecibels_.store(decibels, std::memory_order_relaxed); }

void TrackingOscillator::setGlideTime(float seconds)
{
  glideSeconds_.store(seconds > 0.0f ? std::min(seconds, kLongestGlideSeconds) : 0.0f, std::memory_order_relaxed);
}

void TrackingOscillator::setScale(Scale scale)
{
  const auto position = static_cast<int32_t>(scale);
  if (position >= 0 && position < kScaleCount) scale_.store(scale, std::memory_order_relaxed);
}

void TrackingOscillator::setKey(int32_t key)
{
  if (key >= 0 && key < kPitchClassCount) key_.store(key, std::memory_order_relaxed);
}

void TrackingOscillator::setFftLength(int32_t length)
{
  fftLength_ = length;
  fft_ = engines_[engineIndex(length)].get();
  std::fill_n(analysisBuffer_.get(), length, 0.0f);
  // The next block starts a fresh cycle at its first sample.
  pendingCount_ = 0;
  carryReadPosition_ = 0;
  writePosition_ = 0;
}

void TrackingOscillator::reset()
{
  std::fill_n(analysisBuffer_.get(), kMaxFftLength, 0.0f);
  std::fill_n(spectrum_.get(), kMaxFftLength, 0.0f);
  std::fill_n(carryBuffer_.get(), kCarryCapacity, 0.0f);
  writePosition_ = 0;
  pendingCount_ = 0;
  carryReadPosition_ = 0;
  lastAmplitude_ = 0.0f;
  detectedFrequency_ = 0.0f;
  toneFrequency_ = 0.0f;
  gateOpen_ = false;
  glide_ = PitchGlide{};
  cycleFraction_ = 0.0;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): count, then rate, as every stage's process has them
void TrackingOscillator::process(const float* input, float* output, int32_t sampleCount, float sampleRate,
                                 const float* waveTable, int32_t waveTableLength)
{
  const int32_t requestedLength = requestedLength_.load(std::memory_order_relaxed);
  const bool stabilize = stabilize_.load(std::memory_order_relaxed);
  const bool quickDetect = quickDetect_.load(std::memory_order_relaxed);
  const LiveSettings live{gateDecibels_.load(std::memory_order_relaxed), glideSeconds_.load(std::memory_order_relaxed),
                          scale_.load(std::memory_order_relaxed), key_.load(std::memory_order_relaxed)};
  if (requestedLength != fftLength_ && isUsableLength(requestedLength)) setFftLength(requestedLength);
  if (sampleCount < 0) return;
  if (!std::isfinite(sampleRate) || sampleRate <= 0.0f) {
    std::fill_n(output, sampleCount, 0.0f);
    return;
  }
  // An empty block gives Quick Detect nothing to repeat: keep the previous frame
  // and skip the analysis, so the call changes nothing.
  if (sampleCount == 0 && quickDetect) return;

  if (waveTable == nullptr || waveTableLength <= 0) {
    waveTable = kSilentTable;
    waveTableLength = 1;
  }
  waveTable_ = waveTable;
  waveTableLength_ = waveTableLength;
  sampleRate_ = sampleRate;

  const int32_t n = fftLength_;
  const float binSpacing =
      static_cast<float>(static_cast<double>(sampleRate * 0.5f) / static_cast<double>(static_cast<float>(n) * 0.5f));

  if (sampleCount < n) {
    if (quickDetect)
      fillFrameQuick(input, sampleCount);
    else
      writeToRing(input, sampleCount);
    // Quick Detect's frame starts with the block at slot 0; the ring's oldest
    // sample is the one about to be overwritten next.
    const int32_t oldestSlot = (quickDetect || writePosition_ >= n) ? 0 : writePosition_;
    play(output, sampleCount, analyse(binSpacing, oldestSlot), stabilize, live);
    return;
  }

  // Long blocks: one analysis per whole frame, each rendered before the next is
  // copied in, so the output may overwrite the input.
  writePosition_ = 0;
  const int32_t chunks = sampleCount / n;
  float amplitude = 0.0f;
  for (int32_t c = 0; c < chunks; ++c) {
    const float* frame = input + static_cast<std::ptrdiff_t>(c) * n;
    std::transform(frame, frame + n, analysisBuffer_.get(), finiteOrSilence);
    amplitude = play(output + static_cast<std::ptrdiff_t>(c) * n, n, analyse(binSpacing, 0), stabilize, live);
  }
  // The rest continues with the last frame's pitch and level (after the gate);
  // running the correction again on an estimate equal to detectedFrequency
  // would change nothing.
  const int32_t rest = sampleCount - chunks * n;
  if (rest > 0) render(output + static_cast<std::ptrdiff_t>(chunks) * n, rest, amplitude, live.exactCycles());
}

void TrackingOscillator::fillFrameQuick(const float* input, int32_t sampleCount)
{
  // The block once, cleaned, then the frame filled by doubling what is
  // already there: the frame stays the block repeated, because every copy
  // starts at a whole number of blocks.
  float* frame = analysisBuffer_.get();
  const int32_t first = std::min(sampleCount, fftLength_);
  std::transform(input, input + first, frame, finiteOrSilence);
  for (int32_t filled = first; filled < fftLength_;) {
    const int32_t count = std::min(filled, fftLength_ - filled);
    std::copy_n(frame, count, frame + filled);
    filled += count;
  }
}

void TrackingOscillator::writeToRing(const float* input, int32_t sampleCount)
{
  // In at most two stretches: up to the end of the ring, then from its start.
  float* ring = analysisBuffer_.get();
  int32_t position = writePosition_;
  for (int32_t done = 0; done < sampleCount;) {
    if (position >= fftLength_) position = 0;
    const int32_t count = std::min(sampleCount - done, fftLength_ - position);
    std::transform(input + done, input + done + count, ring + position, finiteOrSilence);
    position += count;
    done += count;
  }
  writePosition_ = position;
}

// The strongest bin from 20 Hz up to (not including) N/2. The frame goes in as
// it lies in the ring: a rotation changes only the phases, not the magnitudes.
TrackingOscillator::Estimate TrackingOscillator::analyse(float binSpacing, int32_t oldestSlot)
{
  const int32_t n = fftLength_;
  const int32_t half = n / 2;
  const float* spectrum = spectrum_.get();
  fft_->transform(spectrum_.get(), analysisBuffer_.get());

  // Bin frequencies grow with the index, so the bins below 20 Hz are a prefix.
  const auto binFrequency = [binSpacing](int32_t i) { return static_cast<float>(static_cast<double>(i) * binSpacing); };
  int32_t firstBin = 0;
  while (firstBin < half && binFrequency(firstBin) < kLowestBinHz) ++firstBin;
  if (precise_.load(std::memory_order_relaxed)) {
    const PrecisePitchEstimator::Estimate precise =
        preciseEstimator_.estimate(spectrum, n, oldestSlot, binSpacing, firstBin);
    const float amplitude = std::isfinite(precise.amplitude) ? precise.amplitude : 0.0f;
    return {std::isfinite(precise.frequency) ? precise.frequency : 0.0f, amplitude};
  }
  // Ties keep the lower bin.
  const SpectrumPeak peak = findSpectrumPeak(spectrum, n, firstBin, fft_->path());
  const double strongest = (peak.bin < 0) ? kNoPeakYet : peak.magnitude;
  const float frequency = (peak.bin < 0) ? 0.0f : binFrequency(peak.bin);
  float amplitude = static_cast<float>(2.0 * strongest / static_cast<double>(n));
  // No bin examined (frame too short or rate too low for a 20 Hz bin), or a
  // spectrum that overflowed float range: play silence rather than a level of
  // -1e9 / N or infinity.
  if (strongest == kNoPeakYet || !std::isfinite(amplitude)) amplitude = 0.0f;
  return {frequency, amplitude};
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
float TrackingOscillator::play(float* out, int32_t count, Estimate estimate, bool stabilize, const LiveSettings& live)
{
  const float frequency = correctEstimate(estimate.frequency, stabilize);
  const float shifted = static_cast<float>(static_cast<double>(frequency) * ratio_.load(std::memory_order_relaxed));
  const float aim = snapToScale(shifted, live.scale, live.key);
  float amplitude = estimate.amplitude;
  if (passesGate(live)) {
    glide_.aimAt(aim, static_cast<double>(live.glideSeconds) * sampleRate_);
  } else {
    // Shut: the level goes to 0 and the pitch stays where it is, a glide
    // under way stopping there too (the estimate of a quiet frame is noise's
    // or hum's, not a note's); the next note sets off from it.
    amplitude = 0.0f;
    glide_.aimAt(glide_.hasAim() ? glide_.pitchNow() : aim, 0.0);
  }
  if (!glide_.moving()) toneFrequency_ = glide_.aim();
  render(out, count, amplitude, live.exactCycles());
  return amplitude;
}

bool TrackingOscillator::passesGate(const LiveSettings& live)
{
  const double threshold = live.gateDecibels;
  if (!(threshold > static_cast<double>(kGateOff))) {  // NaN included
    // Off; switched on again, it starts shut, so a note below the
    // threshold is not let through for one block.
    gateOpen_ = false;
    return true;
  }
  // Mean square of the frame against that of a sine at the threshold
  // (A^2 / 2 for amplitude A = 10^(dB / 20)): no logarithm per frame.
  const double meanSquare = frameMeanSquare();
  constexpr double kLog2TenOverTen = 0.3321928094887362;  // log2(10) / 10: dB to a power of two
  const double edge = gateOpen_ ? threshold - kGateHysteresisDb : threshold;
  const double edgeMeanSquare = 0.5 * portableExp2(edge * kLog2TenOverTen);
  gateOpen_ = meanSquare >= edgeMeanSquare;
  return gateOpen_;
}

double TrackingOscillator::frameMeanSquare() const
{
  // Four running sums in a fixed order (the same result everywhere), so the
  // additions do not all wait on one another; N is a power of two, and the
  // lengths below four are summed by the first loop alone.
  const int32_t n = fftLength_;
  const float* frame = analysisBuffer_.get();
  const auto square = [frame](int32_t i) { return static_cast<double>(frame[i]) * frame[i]; };
  std::array<double, 4> sums{};
  int32_t i = 0;
  for (; i + 4 <= n; i += 4) {
    sums[0] += square(i);
    sums[1] += square(i + 1);
    sums[2] += square(i + 2);
    sums[3] += square(i + 3);
  }
  for (; i < n; ++i) sums[0] += square(i);
  return ((sums[0] + sums[1]) + (sums[2] + sums[3])) / static_cast<double>(n);
}

float TrackingOscillator::correctEstimate(float frequency, bool stabilize)
{
  const double previous = detectedFrequency_;
  if (stabilize && previous != 0.0) {
    // An estimate near the third or second harmonic of the previous one is
    // most likely that harmonic winning over a weakened fundamental.
    if (frequency > previous * 3.0 - previous * 0.5)
      frequency = static_cast<float>(frequency * static_cast<double>(0.33333334f));
    else if (frequency > previous * 2.0 - previous * 0.25)
      frequency = static_cast<float>(frequency * 0.5);
  }
  if (frequency < kLowestFrequencyHz) frequency = kLowestFrequencyHz;
  detectedFrequency_ = frequency;
  return frequency;
}

float TrackingOscillator::playable(float hertz) const
{
  float target = hertz;
  if (target < kLowestFrequencyHz) target = kLowestFrequencyHz;
  // Above 384 kHz a 30 Hz cycle would not fit the carry buffer: raise the floor
  // just enough that one does.
  const auto lowestFitting = static_cast<float>(static_cast<double>(sampleRate_) / kCarryCapacity);
  if (target < lowestFitting) target = lowestFitting;
  return target;
}

TrackingOscillator::Cycle TrackingOscillator::wholeCycle(float target) const
{
  const double exactPeriod = static_cast<double>(sampleRate_) / target;
  if (exactPeriod < 1.0) return {target, 0};
  return {target, static_cast<int32_t>(std::min(exactPeriod, static_cast<double>(kCarryCapacity)))};
}

TrackingOscillator::Cycle TrackingOscillator::nextExactCycle()
{
  const float pitch = glide_.pitchNow();
  toneFrequency_ = pitch;
  const float target = playable(pitch);
  // The period plus what the cycles before fell short of theirs, cut to a
  // whole number of samples; what is cut off is owed to the next cycle.
  const double wanted = static_cast<double>(sampleRate_) / target + cycleFraction_;
  int32_t length = 1;
  if (wanted >= static_cast<double>(kCarryCapacity)) {
    length = kCarryCapacity;
    cycleFraction_ = 0.0;
  } else if (wanted >= 1.0) {
    length = static_cast<int32_t>(wanted);
    cycleFraction_ = wanted - length;
  } else {
    cycleFraction_ = 0.0;  // above the sample rate mid-glide: one-sample cycles
  }
  glide_.advance(length);
  return {target, length};
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TrackingOscillator::render(float* out, int32_t count, float amplitude, bool exactCycles)
{
  const int32_t carried = pendingCount_;
  const int32_t fresh = count - carried;  // negative when the carry outlasts the block
  float rampLength = static_cast<float>(fresh * 0.5);
  if (rampLength == 0.0f) rampLength = 0.5f;
  const double slope = (static_cast<double>(amplitude) - lastAmplitude_) / rampLength;

  const double rate = sampleRate_;
  Cycle cycle = wholeCycle(playable(glide_.aim()));
  if (cycle.length == 0) {
    // Target above the sample rate: no cycle can be played. Nothing changes,
    // and the block is silenced rather than left holding stale samples.
    std::fill_n(out, count, 0.0f);
    return;
  }

  if (carried > count) {
    std::copy_n(carryBuffer_.get() + carryReadPosition_, count, out);
    pendingCount_ -= count;
    carryReadPosition_ += count;
    return;
  }
  std::copy_n(carryBuffer_.get() + carryReadPosition_, carried, out);
  carryReadPosition_ = 0;

  // A cycle ends where its length is reached (or, for the whole-sample
  // period, where the table would be read past one turn, which never comes
  // sooner: it is kept as the boundary every cycle has always had).
  const auto cycleEnds = [rate](int32_t phase, Cycle c) {
    return phase == c.length || phase * static_cast<double>(c.target) >= rate;
  };
  if (exactCycles) cycle = nextExactCycle();
  const float* table = waveTable_;
  const double tableEnd = waveTableLength_;
  const int32_t lastEntry = waveTableLength_ - 1;
  const double last = lastAmplitude_;
  int32_t phase = 0;
  int32_t rampStep = 0;
  for (int32_t j = carried; j < count; ++j) {
    if (cycleEnds(phase, cycle)) {
      phase = 0;
      if (exactCycles) cycle = nextExactCycle();
    }
    const double position = phase * static_cast<double>(cycle.target);
    const float shape = table[position < tableEnd ? static_cast<int32_t>(position) : lastEntry];
    if (static_cast<float>(rampStep) <= rampLength) {
      out[j] = static_cast<float>((last + rampStep * slope) * shape);
      ++rampStep;
    } else {
      out[j] = amplitude * shape;
    }
    ++phase;
  }
  lastAmplitude_ = amplitude;
  // The rest of the cycle begun last, or a whole new one when the block
  // ended exactly on a boundary.
  if (cycleEnds(phase, cycle)) {
    phase = 0;
    if (exactCycles) cycle = nextExactCycle();
  }
  pendingCount_ = cycle.length - phase;
  fillCarry(phase, cycle, amplitude);
}

// The rest of the cycle begun last, at full level, for the next block to play.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TrackingOscillator::fillCarry(int32_t phase, Cycle cycle, float amplitude)
{
  const float* table = waveTable_;
  const double tableEnd = waveTableLength_;
  const int32_t lastEntry = waveTableLength_ - 1;
  float* carry = carryBuffer_.get();
  for (int32_t i = 0; i < pendingCount_; ++i) {
    const double position = (phase + i) * static_cast<double>(cycle.target);
    carry[i] = amplitude * table[position < tableEnd ? static_cast<int32_t>(position) : lastEntry];
  }
}
