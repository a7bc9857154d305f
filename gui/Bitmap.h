// A picture from the plug-in's bitmap resources, shared by reference count:
// every holder (editor, frame, control) calls remember() when it keeps the
// bitmap and forget() when it lets it go; the last forget() deletes it.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/Backend.h"
#include "gui/Geometry.h"

class DrawContext;

class Bitmap {
public:
  // Loads resource `resourceId`; a missing or unreadable one gives a 0 x 0
  // bitmap whose draws do nothing. The new bitmap has one reference.
  explicit Bitmap(int32_t resourceId);
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  void remember();
  // Drops a reference; deletes the bitmap when it was the last one.
  void forget();
  int getReferenceCount() const { return references_; }

  // Copies rect.width() x rect.height() pixels from `offset` in the bitmap to
  // rect's top-left corner.
  void draw(DrawContext* context, const Rect& rect, Point offset = {});
  // The same, but white pixels (the transparency key) leave the destination as
  // it was. The mask is built on the first call and kept.
  void drawTransparent(DrawContext* context, const Rect& rect, Point offset = {});

  int32_t getResourceId() const { return resourceId_; }
  int getWidth() const { return width_; }
  int getHeight() const { return height_; }
  bool isLoaded() const { return image_ != nullptr; }

private:
  ~Bitmap();  // only forget() deletes

  int32_t resourceId_;
  std::unique_ptr<BackendImage> image_;
  std::unique_ptr<BackendMask> mask_;
  int width_ = 0;
  int height_ = 0;
  int references_ = 1;
};
