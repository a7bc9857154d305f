#pragma once

#include <cstddef>

// The editor's bitmaps compiled into the plug-in, for platforms without a
// resource section of their own. Each entry holds the complete BMP file
// (file header included), byte for byte as committed under resources/bitmaps.
struct EmbeddedBitmap {
  int id;                      // resource id, 128 to 138
  const unsigned char* bytes;  // the whole BMP file
  std::size_t size;            // its length in bytes
};

// The bitmap with this resource id, or null for an id that has none.
// The returned entry and its bytes live as long as the program.
const EmbeddedBitmap* findEmbeddedBitmap(int id);
