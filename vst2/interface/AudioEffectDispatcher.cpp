// The host's dispatcher opcodes, turned into AudioEffect's virtual calls.
#include <cmath>

#include "vst2/interface/AEffEditor.h"
#include "vst2/interface/AudioEffect.h"
#include "vst2/interface/IntegerConversion.h"

namespace {

constexpr int32_t kIdentifyAnswer = fourCharCode("NvEf");
constexpr double kVuScale = 32767.0;

// effGetVu: the meter level scaled to 16-bit full scale, truncated toward
// zero. A level that is not a number, or one beyond 32-bit range, must not
// reach an integer conversion (that would be undefined): NaN reads as silence
// and the rest is clamped.
intptr_t vuToHost(float level)
{
  const double scaled = static_cast<double>(level) * kVuScale;
  if (std::isnan(scaled)) {
    return 0;
  }
  const double clamped = std::fmax(-2147483648.0, std::fmin(2147483647.0, scaled));
  return static_cast<intptr_t>(std::trunc(clamped));
}

}  // namespace

// The parameter list is the host interface's, fixed for every plug-in.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
intptr_t AudioEffect::dispatcher(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
  switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
      // Signed comparison: negative numbers pass and are the setter's to refuse.
      if (value < programCount) {
        setProgram(saturateToInt32(value));
      }
      return 0;
    case effGetProgram: return getProgram();
    // The string opcodes write into a host buffer; a host that sends none
    // gets nothing written rather than a crash.
    case effSetProgramName:
      if (ptr != nullptr) {
        setProgramName(static_cast<char*>(ptr));
      }
      return 0;
    case effGetProgramName:
      if (ptr != nullptr) {
        getProgramName(static_cast<char*>(ptr));
      }
      return 0;
    case effGetParamLabel:
      if (ptr != nullptr) {
        getParameterLabel(index, static_cast<char*>(ptr));
      }
      return 0;
    case effGetParamDisplay:
      if (ptr != nullptr) {
        getParameterDisplay(index, static_cast<char*>(ptr));
      }
      return 0;
    case effGetParamName:
      if (ptr != nullptr) {
        getParameterName(index, static_cast<char*>(ptr));
      }
      return 0;
    case effGetVu: return vuToHost(getVu());
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(saturateToInt32(value)); return 0;
    case effMainsChanged:
      if (value == 0) {
        suspend();
      } else {
        resume();
      }
      return 0;
    case effEditGetRect:
      // The editor writes the rectangle's address through ptr.
      return editor != nullptr && ptr != nullptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen: return editor != nullptr ? editor->open(ptr) : 0;
    case effEditClose:
      if (editor != nullptr) {
        editor->close();
      }
      return 0;
    case effEditIdle:
      if (editor != nullptr) {
        editor->idle();
      }
      return 0;
    case effIdentify: return kIdentifyAnswer;
    case effGetChunk: return ptr != nullptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
    case effSetChunk:
      // value is the chunk's byte size; a negative size describes no chunk.
      return ptr != nullptr && value >= 0 ? setChunk(ptr, value, index != 0) : 0;
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effGetProgramNameIndexed:
      // index is the program, value the host's category (-1: all).
      return ptr != nullptr && getProgramNameIndexed(saturateToInt32(value), index, static_cast<char*>(ptr)) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effGetEffectName: return ptr != nullptr && getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorString: return ptr != nullptr && getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetProductString: return ptr != nullptr && getProductString(static_cast<char*>(ptr)) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effCanDo: return ptr != nullptr ? canDo(static_cast<const char*>(ptr)) : 0;
    case effGetTailSize: return getTailSize();
    case effGetParameterProperties:
      return ptr != nullptr && getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effGetVstVersion: return getVstVersion();
    default:
      // effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep and
      // every opcode this effect does not know.
      return 0;
  }
}
