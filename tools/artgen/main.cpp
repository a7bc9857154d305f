// brasklin-artgen: draws the editor's eleven bitmaps and writes them as
// resources bmp128.bmp ... bmp138.bmp into a folder; optionally composes a
// mock-up of the whole editor from the written files, and PNG copies of each
// bitmap for viewing.
//
//   brasklin-artgen <bitmap folder> [--mockup <file.png>] [--previews <folder>]

#include "tools/artgen/Artwork.h"
#include "tools/artgen/BmpWriter.h"
#include "editor/EditorLayout.h"
#include "tools/artgen/Mockup.h"

#include <cairo.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Output {
  int id;
  Raster picture;
  int depth;
};

bool savePreview(const Raster& picture, const std::string& path)
{
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, picture.width, picture.height);
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      surfaceRow(data, stride, y)[x] = 0xFF000000u | picture.at(x, y);
    }
  }
  cairo_surface_mark_dirty(surface);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  return ok;
}

int usage()
{
  std::fprintf(stderr,
               "usage: brasklin-artgen <bitmap folder> [--mockup <file.png>] "
               "[--previews <folder>]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) {
    return usage();
  }
  const std::string folder = argv[1];
  std::string mockupPath;
  std::string previewFolder;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (i + 1 >= argc) {
      return usage();
    }
    if (option == "--mockup") {
      mockupPath = argv[++i];
    } else if (option == "--previews") {
      previewFolder = argv[++i];
    } else {
      return usage();
    }
  }

  const std::vector<std::string> stageKinds = {"Mox", "Filter", "Delay", "Distortion"};
  const Raster stageStrip = paintSwitchStrip(stageKinds, layout::kStageWidth, layout::kStageImageHeight);
  const std::vector<Output> outputs = {
      {layout::kBackgroundBitmap, paintBackground(), 24},
      {layout::kSliderTrackBitmap, paintSliderTrack(), 8},
      {layout::kSliderHandleBitmap, paintSliderHandle(), 24},
      {layout::kOnOffButtonBitmap, paintOnOffButton(), 24},
      {layout::kFilterTypeBitmap,
       paintSwitchStrip({"Off", "LP", "HP", "BP"}, layout::kSwitchWidth, layout::kSwitchImageHeight), 24},
      {layout::kFirstStageBitmap, stageStrip, 24},
      {layout::kFirstStageBitmap + 1, stageStrip, 24},
      {layout::kFirstStageBitmap + 2, stageStrip, 24},
      {layout::kFirstStageBitmap + 3, stageStrip, 24},
      {layout::kFftLengthBitmap,
       paintSwitchStrip({"1024", "2048", "4096", "8192"}, layout::kSwitchWidth, layout::kSwitchImageHeight), 24},
      {layout::kValueBarBitmap, paintValueBar(), 24},
  };

  for (const Output& output : outputs) {
    const std::string path = folder + "/bmp" + std::to_string(output.id) + ".bmp";
    std::vector<unsigned char> bytes;
    if (output.depth == 8) {
      auto encoded = encodeBmp8(output.picture);
      if (!encoded) {
        std::fprintf(stderr, "bitmap %d has more than 256 colours\n", output.id);
        return 1;
      }
      bytes = std::move(*encoded);
    } else {
      bytes = encodeBmp24(output.picture);
    }
    if (!writeFile(path, bytes)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    if (!previewFolder.empty() &&
        !savePreview(output.picture, previewFolder + "/bmp" + std::to_string(output.id) + ".png")) {
      std::fprintf(stderr, "cannot write a preview of bitmap %d\n", output.id);
      return 1;
    }
  }
  if (!mockupPath.empty() && !writeMockup(folder, mockupPath)) {
    std::fprintf(stderr, "cannot write the mock-up %s\n", mockupPath.c_str());
    return 1;
  }
  return 0;
}
