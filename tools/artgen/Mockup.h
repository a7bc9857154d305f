#pragma once

#include <string>

// Composes the whole editor from the written bitmap files the way the editor
// draws them (opaque tracks and switches, white-keyed handles), with a few
// controls moved away from their rest positions, and saves it as a PNG for
// checking that every legend lines up with its control.
bool writeMockup(const std::string& bitmapFolder, const std::string& pngPath);
