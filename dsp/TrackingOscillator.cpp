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
      analysisBuffer_(std::make_unique<float[]>(kMaxFftLength)),
      quickFrame_(std::make_unique<float[]>(kMaxFftLength)),
      hopSquares_(std::make_unique<double[]>(kHopSquaresCapacity))
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
  clearHopSquares();
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
  continuousActive_ = false;
  hopCountdown_ = 0;
  hasEstimate_ = false;
  levelTarget_ = 0.0f;
  cyclePhase_ = 0.0;
  cycleIncrement_ = 0.0;
  cycleLevel_ = 0.0;
  cycleLevelStep_ = 0.0;
  cycleTable_ = nullptr;
  cycleTableSpan_ = 0.0;
  cycleTableEntries_ = 0;
  cycleCubic_ = false;
  scaleHold_.reset();
  harmonicJumpSamples_ = 0;
  steadyEstimate_ = 0.0f;
  toneChangeCount_ = 0;
  clearHopSquares();
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): count, then rate, as every stage's process has them
void TrackingOscillator::process(const float* input, float* output, int32_t sampleCount, float sampleRate,
                                 const float* waveTable, int32_t waveTableLength, const BandLimitedWave* bandLimited)
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

  if (precise_.load(std::memory_order_relaxed) || live.needContinuous()) {
    processContinuous(input, output, sampleCount, ContinuousBlock{stabilize, quickDetect, &live, bandLimited});
    return;
  }
  if (continuousActive_) leaveContinuous();

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
    play(output, sampleCount, analyse(binSpacing, oldestSlot, analysisBuffer_.get()), stabilize, live);
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
    amplitude = play(output + static_cast<std::ptrdiff_t>(c) * n, n, analyse(binSpacing, 0, analysisBuffer_.get()),
                     stabilize, live);
  }
  // The rest continues with the last frame's pitch and level (after the gate);
  // running the correction again on an estimate equal to detectedFrequency
  // would change nothing.
  const int32_t rest = sampleCount - chunks * n;
  if (rest > 0) render(output + static_cast<std::ptrdiff_t>(chunks) * n, rest, amplitude);
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
TrackingOscillator::Estimate TrackingOscillator::analyse(float binSpacing, int32_t oldestSlot, const float* frame)
{
  const int32_t n = fftLength_;
  const int32_t half = n / 2;
  const float* spectrum = spectrum_.get();
  fft_->transform(spectrum_.get(), frame);

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
  if (passesGate(live, false)) {
    glide_.aimAt(aim, static_cast<double>(live.glideSeconds) * sampleRate_);
  } else {
    // Shut: the level goes to 0 and the pitch stays where it is, a glide
    // under way stopping there too (the estimate of a quiet frame is noise's
    // or hum's, not a note's); the next note sets off from it.
    amplitude = 0.0f;
    glide_.aimAt(glide_.hasAim() ? glide_.pitchNow() : aim, 0.0);
  }
  if (!glide_.moving()) toneFrequency_ = glide_.aim();
  render(out, count, amplitude);
  return amplitude;
}

bool TrackingOscillator::passesGate(const LiveSettings& live, bool continuous)
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
  const double meanSquare = continuous ? recentHopsMeanSquare() : frameMeanSquare();
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

double TrackingOscillator::recentHopsMeanSquare() const
{
  // The ring holds enough hops for any analysis length at rates from about
  // 700 Hz up; below, the gate hears the latest kHopSquaresCapacity hops.
  const int32_t hop = analysisHop(sampleRate_, fftLength_);
  const int32_t hops = std::min((fftLength_ + hop - 1) / hop, kHopSquaresCapacity);
  double sum = 0.0;
  for (int32_t k = 0; k < hops; ++k)
    sum += hopSquares_[static_cast<std::size_t>((hopSquaresNewest_ - k + kHopSquaresCapacity) % kHopSquaresCapacity)];
  return sum / (static_cast<double>(hops) * hop);
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

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TrackingOscillator::render(float* out, int32_t count, float amplitude)
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

  // A cycle ends where its length is reached (or where the table would be
  // read past one turn, which never comes sooner: it is kept as the boundary
  // every cycle has always had).
  const auto cycleEnds = [rate](int32_t phase, Cycle c) {
    return phase == c.length || phase * static_cast<double>(c.target) >= rate;
  };
  const float* table = waveTable_;
  const double tableEnd = waveTableLength_;
  const int32_t lastEntry = waveTableLength_ - 1;
  const double last = lastAmplitude_;
  int32_t phase = 0;
  int32_t rampStep = 0;
  for (int32_t j = carried; j < count; ++j) {
    if (cycleEnds(phase, cycle)) phase = 0;
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
  if (cycleEnds(phase, cycle)) phase = 0;
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

// ---- the continuous engine ----

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): rate, then length, as process() has them
int32_t TrackingOscillator::analysisHop(float sampleRate, int32_t length)
{
  const double hop = std::floor(static_cast<double>(sampleRate) * kAnalysisHopSeconds + 0.5);
  if (!(hop >= 1.0)) return 1;
  return hop < static_cast<double>(length) ? static_cast<int32_t>(hop) : length;
}

void TrackingOscillator::clearHopSquares()
{
  hopSquareSum_ = 0.0;
  std::fill_n(hopSquares_.get(), kHopSquaresCapacity, 0.0);
  hopSquaresNewest_ = 0;
}

void TrackingOscillator::enterContinuous()
{
  // The classic carry is dropped; the first cycle starts once the first
  // analysis has run (at most one hop later), from the level reached so far.
  continuousActive_ = true;
  pendingCount_ = 0;
  carryReadPosition_ = 0;
  hopCountdown_ = 0;
  hasEstimate_ = false;
  cyclePhase_ = 0.0;
  cycleIncrement_ = 0.0;
  cycleLevel_ = lastAmplitude_;
  cycleLevelStep_ = 0.0;
  levelTarget_ = lastAmplitude_;
  harmonicJumpSamples_ = 0;
  steadyEstimate_ = 0.0f;
  scaleHold_.reset();
  // The ring may hold what the classic engine left; the gate's sums start
  // from silence, as a new frame does.
  clearHopSquares();
}

void TrackingOscillator::leaveContinuous()
{
  // The classic engine starts a fresh cycle at the next sample.
  continuousActive_ = false;
  toneChangeCount_ = 0;
  lastAmplitude_ = static_cast<float>(cycleLevel_);
  pendingCount_ = 0;
  carryReadPosition_ = 0;
}

// Input and output advance together in stretches that end at hop points: a
// stretch's input goes into the ring before its output is written (so the two
// may be one array), and the analysis at a hop point hears every sample up to
// it and decides the samples after it. Nothing depends on where the block ends.
void TrackingOscillator::processContinuous(const float* input, float* output, int32_t sampleCount,
                                           const ContinuousBlock& block)
{
  if (!continuousActive_) enterContinuous();
  const int32_t hop = analysisHop(sampleRate_, fftLength_);
  if (hopCountdown_ <= 0 || hopCountdown_ > hop) hopCountdown_ = hop;
  toneChangeCount_ = 0;
  for (int32_t done = 0; done < sampleCount;) {
    const int32_t count = std::min(sampleCount - done, hopCountdown_);
    writeToRing(input + done, count);
    double squares = hopSquareSum_;
    for (int32_t i = 0; i < count; ++i) {
      const double sample = finiteOrSilence(input[done + i]);
      squares += sample * sample;
    }
    hopSquareSum_ = squares;
    renderContinuous(output + done, count, block.bandLimited);
    done += count;
    hopCountdown_ -= count;
    if (hopCountdown_ == 0) {
      hopSquaresNewest_ = (hopSquaresNewest_ + 1) % kHopSquaresCapacity;
      hopSquares_[static_cast<std::size_t>(hopSquaresNewest_)] = hopSquareSum_;
      hopSquareSum_ = 0.0;
      analyseHop(block, hop);
      hopCountdown_ = hop;
      if (toneChangeCount_ < kMaxToneChanges)
        toneChanges_[static_cast<std::size_t>(toneChangeCount_++)] = {done, glide_.pitchNow()};
    }
  }
  // The samples the cycle under way still lasts: the next block's first ones
  // at this block's pitch, for the filter that follows it.
  if (cycleIncrement_ > 0.0 && cyclePhase_ < 1.0) {
    const double rest = std::ceil((1.0 - cyclePhase_) / cycleIncrement_);
    pendingCount_ = rest < 1.0e9 ? static_cast<int32_t>(rest) : 1000000000;
  } else {
    pendingCount_ = 0;
  }
}

void TrackingOscillator::analyseHop(const ContinuousBlock& block, int32_t hop)
{
  const int32_t n = fftLength_;
  const float binSpacing =
      static_cast<float>(static_cast<double>(sampleRate_ * 0.5f) / static_cast<double>(static_cast<float>(n) * 0.5f));
  const int32_t oldestSlot = writePosition_ >= n ? 0 : writePosition_;
  Estimate estimate{};
  if (block.quickDetect) {
    // The latest hop alone, repeated to fill the frame: quick and rough, as
    // Quick Detect is on the classic engine with short blocks.
    const int32_t latest = std::min(hop, n);
    float* frame = quickFrame_.get();
    const float* ring = analysisBuffer_.get();
    const int32_t start = (oldestSlot - latest + n) % n;
    for (int32_t i = 0; i < latest; ++i) frame[i] = ring[(start + i) % n];
    for (int32_t filled = latest; filled < n;) {
      const int32_t count = std::min(filled, n - filled);
      std::copy_n(frame, count, frame + filled);
      filled += count;
    }
    estimate = analyse(binSpacing, 0, frame);
  } else {
    estimate = analyse(binSpacing, oldestSlot, analysisBuffer_.get());
  }
  const LiveSettings& live = *block.live;
  const float frequency = steadied(correctContinuous(estimate.frequency, block.stabilize, hop));
  const float shifted = static_cast<float>(static_cast<double>(frequency) * ratio_.load(std::memory_order_relaxed));
  if (passesGate(live, true)) {
    const float aim = scaleHold_.snap(shifted, live.scale, live.key, static_cast<double>(hop) / sampleRate_);
    glide_.aimAt(aim, static_cast<double>(live.glideSeconds) * sampleRate_);
    levelTarget_ = estimate.amplitude;
  } else {
    // Shut: the level goes to 0 and the pitch stays where it is (see play()).
    glide_.aimAt(glide_.hasAim() ? glide_.pitchNow() : shifted, 0.0);
    levelTarget_ = 0.0f;
  }
  hasEstimate_ = true;
}

float TrackingOscillator::correctContinuous(float frequency, bool stabilize, int32_t hop)
{
  const double previous = detectedFrequency_;
  if (stabilize && previous != 0.0 && frequency > previous * 2.0 - previous * 0.25) {
    // A jump to about the 2nd or 3rd harmonic is most likely that harmonic
    // winning over a weakened fundamental for a moment; one that lasts is the
    // pitch itself (a new note an octave up, or the end of a lock onto a
    // subharmonic), and is taken.
    harmonicJumpSamples_ += hop;
    if (static_cast<double>(harmonicJumpSamples_) < kHarmonicJumpSeconds * sampleRate_) {
      if (frequency > previous * 3.0 - previous * 0.5)
        frequency = static_cast<float>(frequency * static_cast<double>(0.33333334f));
      else
        frequency = static_cast<float>(frequency * 0.5);
    } else {
      harmonicJumpSamples_ = 0;
    }
  } else {
    harmonicJumpSamples_ = 0;
  }
  if (frequency < kLowestFrequencyHz) frequency = kLowestFrequencyHz;
  detectedFrequency_ = frequency;
  return frequency;
}

float TrackingOscillator::steadied(float frequency)
{
  // The estimate of a steady tone still wanders by a hundredth of a cent or
  // so from hop to hop, with the tone's phase in the frame; played, that
  // wander is a slow vibrato whose sidebands beside every harmonic add up
  // (to some -60 dB on a saw at 250 Hz). Within kSteadyCents of the pitch
  // held, the pitch stays.
  constexpr double kSteadyRatio = 5.77639333183555e-05;  // 2^(kSteadyCents / 1200) - 1
  static_assert(kSteadyCents == 0.1);
  const double held = steadyEstimate_;
  if (held > 0.0 && std::fabs(static_cast<double>(frequency) - held) < held * kSteadyRatio) return steadyEstimate_;
  steadyEstimate_ = frequency;
  return frequency;
}

void TrackingOscillator::startCycle(const BandLimitedWave* bandLimited)
{
  const float pitch = glide_.pitchNow();
  toneFrequency_ = pitch;
  // At least the floor (a pitch that is not a number too).
  const double target = pitch >= kLowestFrequencyHz ? static_cast<double>(pitch) : kLowestFrequencyHz;
  const double rate = sampleRate_;
  // Above the sample rate a cycle cannot be played: it passes in one sample, silent.
  const double increment = std::min(target / rate, 1.0);
  if (bandLimited != nullptr) {
    const BandLimitedWave::Version version = bandLimited->versionFor(increment);
    cycleTable_ = version.table;
    cycleTableSpan_ = version.length;
    cycleTableEntries_ = version.length;
    cycleCubic_ = version.cubic;
  } else {
    cycleTable_ = increment < 1.0 ? waveTable_ : nullptr;
    cycleTableSpan_ = rate;
    cycleTableEntries_ = waveTableLength_;
    cycleCubic_ = false;
  }
  // The level starts where the last cycle left it and reaches the latest
  // target at the end of this one.
  cycleLevel_ = lastAmplitude_;
  lastAmplitude_ = levelTarget_;
  cycleLevelStep_ = (static_cast<double>(levelTarget_) - cycleLevel_) * increment;
  cycleIncrement_ = increment;
  glide_.advance(1.0 / increment);
}

void TrackingOscillator::renderContinuous(float* out, int32_t count, const BandLimitedWave* bandLimited)
{
  int32_t j = 0;
  if (cycleIncrement_ == 0.0) {
    // Before the first analysis there is nothing to play.
    if (!hasEstimate_) {
      std::fill_n(out, count, 0.0f);
      return;
    }
    cyclePhase_ = 0.0;
    startCycle(bandLimited);
  }
  double phase = cyclePhase_;
  double level = cycleLevel_;
  while (j < count) {
    if (phase >= 1.0) {
      phase -= 1.0;
      startCycle(bandLimited);
      level = cycleLevel_;
    }
    // The samples of this cycle that fall in the block: up to where the phase
    // reaches 1.
    const double increment = cycleIncrement_;
    const double step = cycleLevelStep_;
    const float* table = cycleTable_;
    if (table == nullptr) {
      for (; j < count && phase < 1.0; ++j) {
        out[j] = 0.0f;
        phase += increment;
        level += step;
      }
      continue;
    }
    const double span = cycleTableSpan_;
    const int32_t entries = cycleTableEntries_;
    if (cycleCubic_) {
      // A band-limited version that needs it (guarded on both sides): a
      // four-point cubic (Catmull-Rom) through entries below - 1 .. below + 2.
      const int32_t lastEntry = entries - 1;
      for (; j < count && phase < 1.0; ++j) {
        const double position = phase * span;
        auto below = static_cast<int32_t>(position);
        if (below > lastEntry) below = lastEntry;
        const double t = position - below;
        const double before = table[below - 1];
        const double at = table[below];
        const double next = table[below + 1];
        const double after = table[below + 2];
        const double slope = 0.5 * (next - before);
        const double curve = before - 2.5 * at + 2.0 * next - 0.5 * after;
        const double cubic = 0.5 * (after - before) + 1.5 * (at - next);
        const double shape = ((cubic * t + curve) * t + slope) * t + at;
        out[j] = static_cast<float>(level * shape);
        phase += increment;
        level += step;
      }
      continue;
    }
    for (; j < count && phase < 1.0; ++j) {
      const double position = phase * span;
      auto below = static_cast<int32_t>(position);
      if (below >= entries) below = entries - 1;
      const int32_t above = below + 1 < entries ? below + 1 : 0;
      const double fraction = position - below;
      const double shape = table[below] + fraction * (static_cast<double>(table[above]) - table[below]);
      out[j] = static_cast<float>(level * shape);
      phase += increment;
      level += step;
    }
  }
  cyclePhase_ = phase;
  cycleLevel_ = level;
}
