#include "gui/Bitmap.h"

#include "gui/DrawContext.h"

Bitmap::Bitmap(int32_t resourceId) : resourceId_(resourceId) {}

const Bitmap& Bitmap::loaded() const
{
  if (!loadTried_) {
    loadTried_ = true;
    image_ = currentBackend().loadBitmap(resourceId_);
    if (image_) {
      width_ = image_->width();
      height_ = image_->height();
    }
  }
  return *this;
}

Bitmap::~Bitmap() = default;

void Bitmap::remember() { ++references_; }

void Bitmap::forget()
{
  if (references_ > 1) {
    --references_;
  } else {
    delete this;
  }
}

void Bitmap::draw(DrawContext* context, const Rect& rect, Point offset)
{
  if (!context || !isLoaded()) return;
  context->canvas().drawImage(*image_, nullptr, offset, rect);
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& rect, Point offset)
{
  if (!context || !isLoaded()) return;
  if (!mask_) mask_ = currentBackend().createMask(*image_, kTransparentColour);
  context->canvas().drawImage(*image_, mask_.get(), offset, rect);
}
