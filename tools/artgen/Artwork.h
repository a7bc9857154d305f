#pragma once

#include "tools/artgen/Painter.h"

#include <string>
#include <vector>

// The editor's eleven pictures. Each function returns the finished pixels at the
// exact size the editor expects.

Raster paintBackground();    // 128: 560 x 420
Raster paintSliderTrack();   // 129: 25 x 175, at most 256 colours
Raster paintSliderHandle();  // 130: 25 x 22, pure white = see-through
Raster paintOnOffButton();   // 131: 25 x 50, off above, on below
Raster paintValueBar();      // 138: one bar, empty above, lit below

// A four-position switch strip: image i (from the top) shows position i lit.
// `names` are the four positions from the top down.
Raster paintSwitchStrip(const std::vector<std::string>& names, int width, int imageHeight);
