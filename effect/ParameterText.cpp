#include "effect/ParameterText.h"

#include <cstdio>

#include "effect/LiveControls.h"
#include "effect/NumberText.h"
#include "effect/ParameterTable.h"
#include "effect/StageKind.h"

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): index, then value, as setParameter has them
void writeParameterDisplay(int32_t index, float kept, const std::vector<std::string>& shapeNames, char* text)
{
  if (text == nullptr) return;
  const auto write = [text](const char* source) { copyBoundedText(text, kParameterTextCapacity, source); };
  const auto writeThreeDecimals = [text](double value) { std::snprintf(text, kParameterTextCapacity, "%.3f", value); };
  if (!isParameterIndex(index)) {
    write("");
    return;
  }
  switch (parameterInfo(index).display) {
    case ParameterDisplay::shapeName: {
      const int32_t shape = shapeIndexFor(kept, static_cast<int32_t>(shapeNames.size()));
      write(shape >= 0 ? shapeNames[static_cast<std::size_t>(shape)].c_str() : "");
      break;
    }
    case ParameterDisplay::fftLength: write(fftLengthText(kept)); break;
    case ParameterDisplay::onOff: write(switchText(switchIsOn(kept))); break;
    case ParameterDisplay::number: writeNumberText(kept, text); break;
    case ParameterDisplay::filterType: write(filterTypeText(kept)); break;
    case ParameterDisplay::threeDecimals: writeThreeDecimals(kept); break;
    case ParameterDisplay::delaySeconds: writeThreeDecimals(delaySecondsFor(kept)); break;
    case ParameterDisplay::stageKind: write(stageKindName(stageKindFor(kept))); break;
    case ParameterDisplay::none: write(""); break;
    case ParameterDisplay::gateLevel: gateText(kept, text, kParameterTextCapacity); break;
    case ParameterDisplay::glideTime: glideText(kept, text, kParameterTextCapacity); break;
    case ParameterDisplay::scaleName: write(scaleText(kept)); break;
    case ParameterDisplay::keyName: write(keyText(kept)); break;
  }
}

std::string plainParameterName(int32_t index)
{
  if (!isParameterIndex(index) || parameterInfo(index).name == nullptr) return {};
  const std::string name = parameterInfo(index).name;
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return name.substr(first, name.find_last_not_of(' ') - first + 1);
}
