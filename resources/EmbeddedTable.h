#pragma once

#include "resources/EmbeddedResources.h"

#include <cstddef>

// The table the build generates from resources/bitmaps (EmbedBitmaps.cmake);
// only the lookup in EmbeddedResources.cpp reads it.
namespace embedded_resources {

extern const EmbeddedBitmap kBitmaps[];
extern const std::size_t kBitmapCount;

}  // namespace embedded_resources
