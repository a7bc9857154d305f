#include "gui/View.h"

#include "gui/DrawContext.h"
#include "gui/Frame.h"

View::View(const Rect& size) : size(size) {}
View::~View() = default;

void View::draw(DrawContext*) {}
PressOutcome View::mouseDown(DrawContext*, const MouseEvent&) { return PressOutcome::done; }
void View::mouseMoved(DrawContext*, const MouseEvent&) {}
void View::mouseUp(DrawContext*, const MouseEvent&) {}
void View::updateIfChanged(DrawContext*) {}
void View::loseFocus() {}
void View::takeFocus() {}

void View::setBackgroundOffscreen(OffscreenContext* offscreen)
{
  if (offscreen && offscreen->getWidth() >= size.width() && offscreen->getHeight() >= size.height()) {
    backgroundOffscreen = offscreen;
  }
}

void View::redraw()
{
  if (parent) parent->drawView(this);
}
