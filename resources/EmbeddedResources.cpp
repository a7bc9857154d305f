#include "resources/EmbeddedResources.h"

#include "resources/EmbeddedTable.h"

const EmbeddedBitmap* findEmbeddedBitmap(int id)
{
  for (std::size_t i = 0; i < embedded_resources::kBitmapCount; ++i) {
    if (embedded_resources::kBitmaps[i].id == id) {
      return &embedded_resources::kBitmaps[i];
    }
  }
  return nullptr;
}
