#include "dsp/ScaleHold.h"

#include <cmath>

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
float ScaleHold::snap(float hertz, Scale scale, int32_t key, double elapsedSeconds)
{
  if (scaleIntervals(scale) == 0 || key < 0 || key >= kPitchClassCount || !std::isfinite(hertz) || !(hertz > 0.0f))
    return hertz;
  const double semitones = semitonesAboveA4(static_cast<double>(hertz));
  const int32_t nearest = nearestScaleNote(semitones, scale, key);
  if (!holding_ || scale != heldScale_ || key != heldKey_) {
    holding_ = true;
    heldNote_ = nearest;
    heldScale_ = scale;
    heldKey_ = key;
    pastBoundarySeconds_ = 0.0;
  } else if (nearest != heldNote_) {
    // The boundary lies half-way between the two notes (in cents), so the
    // pitch stands past it by half the difference of its distances to them.
    const double past = 0.5 * (std::fabs(semitones - heldNote_) - std::fabs(semitones - nearest));
    pastBoundarySeconds_ = past >= kDwellSemitones ? pastBoundarySeconds_ + elapsedSeconds : 0.0;
    if (past >= kMarginSemitones || pastBoundarySeconds_ >= kDwellSeconds) {
      heldNote_ = nearest;
      pastBoundarySeconds_ = 0.0;
    }
  } else {
    pastBoundarySeconds_ = 0.0;
  }
  const auto result = static_cast<float>(noteHertz(heldNote_));
  return std::isfinite(result) ? result : hertz;
}

void ScaleHold::reset()
{
  holding_ = false;
  pastBoundarySeconds_ = 0.0;
}
