#include "effect/StageKind.h"

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
