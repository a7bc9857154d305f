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
  // Stands for resource `resourceId`; a missing or unreadable one gives a 0 x 0
  // bitmap whose draws do nothing. The new bitmap has one reference. The
  // pixels are decoded when the bitmap is first measured or drawn, so an
  // effect whose editor is never opened does not hold its 560 x 420 background.
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
  int getWidth() const { return loaded().width_; }
  int getHeight() const { return loaded().height_; }
  bool isLoaded() const { return loaded().image_ != nullptr; }

private:
  ~Bitmap();  // only forget() deletes
  // Decodes the resource through the current backend the first time it is needed.
  const Bitmap& loaded() const;

  int32_t resourceId_;
  mutable bool loadTried_ = false;
  mutable std::unique_ptr<BackendImage> image_;
  std::unique_ptr<BackendMask> mask_;
  mutable int width_ = 0;
  mutable int height_ = 0;
  int references_ = 1;
};
