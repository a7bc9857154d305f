#include "effect/StageKind.h"

namespace {

// Upper edges of the Mox and Filter bands. Decimal constants, not 1/3 and 2/3:
// the float nearest 1/3 (0.33333334) lies above 0.333333 and so selects Filter.
constexpr double moxBandEnd = 0.333333;
constexpr double filterBandEnd = 0.666666;
constexpr double delayBandEnd = 1.0;

// 1/3 rounded to a 32-bit float: the step between the kinds' program values.
constexpr float programValueStep = 1.0f / 3.0f;

}  // namespace

const char* stageKindName(StageKind kind)
{
  switch (kind) {
    case StageKind::mox: return "Mox";
    case StageKind::filter: return "Filter";
    case StageKind::delay: return "Delay";
    case StageKind::distortion: return "Distortion";
  }
  return "";
}

StageKind stageKindFor(float value)
{
  const double v = value;
  if (v < moxBandEnd) return StageKind::mox;
  if (v < filterBandEnd) return StageKind::filter;
  if (v < delayBandEnd) return StageKind::delay;
  return StageKind::distortion;
}

float stageKindProgramValue(StageKind kind)
{
  return static_cast<float>(static_cast<int32_t>(kind)) * programValueStep;
}

float stageKindReportedValue(StageKind kind)
{
  switch (kind) {
    case StageKind::mox: return 0.0f;
    case StageKind::filter: return 0.4f;
    case StageKind::delay: return 0.7f;
    case StageKind::distortion: return 1.0f;
  }
  return 0.0f;
}
