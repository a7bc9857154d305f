// The display text of a parameter, from its kept value alone: the same text
// whichever format shows it, and computable without an effect (a separate
// interface binary needs only the kept value and the shape names).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes the display of parameter `index` for the value a program keeps,
// `kept`, into `text` (kParameterTextCapacity bytes). The wave shape shows the
// name of the shape `kept` selects among `shapeNames`; an index out of range
// or a parameter without a display gives the empty text.
void writeParameterDisplay(int32_t index, float kept, const std::vector<std::string>& shapeNames, char* text);

// The name without the padding the VST 2 names carry (" Delay FeedBack" ->
// "Delay FeedBack"); empty for an alias or an index out of range.
std::string plainParameterName(int32_t index);
