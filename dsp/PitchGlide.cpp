#include "dsp/PitchGlide.h"

#include "dsp/PortableMath.h"

#include <cmath>

namespace {

bool isPitch(float hertz) { return std::isfinite(hertz) && hertz > 0.0f; }

}  // namespace

void PitchGlide::aimAt(float hertz, double glideSamples)
{
  const bool canGlide = hasAim_ && glideSamples > 0.0 && isPitch(hertz) && isPitch(aimHertz_);
  hasAim_ = true;
  if (!canGlide) {
    aimHertz_ = hertz;
    aimOctavesKnown_ = false;
    moving_ = false;
    return;
  }
  const double heading = aimOctavesKnown_ ? aimOctaves_ : portableLog2(aimHertz_);
  const double target = portableLog2(hertz);
  if (std::fabs(target - heading) > kNewNoteOctaves) {
    // A new note: set off from wherever the pitch is now.
    fromOctaves_ = moving_ ? positionNow() : heading;
    elapsedSamples_ = 0.0;
    moving_ = true;
  }
  // Otherwise the same note: a glide under way keeps its start and its clock,
  // and one that has arrived follows at once (moving_ stays false).
  aimHertz_ = hertz;
  aimOctaves_ = target;
  aimOctavesKnown_ = true;
  lengthSamples_ = glideSamples;
  if (elapsedSamples_ >= lengthSamples_) moving_ = false;
}

double PitchGlide::positionNow() const
{
  const double progress = elapsedSamples_ / lengthSamples_;
  return fromOctaves_ + (aimOctaves_ - fromOctaves_) * progress;
}

float PitchGlide::pitchNow() const
{
  if (!moving_) return aimHertz_;
  return static_cast<float>(portableExp2(positionNow()));
}

void PitchGlide::advance(double samples)
{
  if (!moving_) return;
  elapsedSamples_ += samples;
  if (elapsedSamples_ >= lengthSamples_) moving_ = false;
}
