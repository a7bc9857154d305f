// Controls: views that hold a normalised value (0.0 to 1.0), draw it and
// change it under the mouse. A user change is reported to the listener; a
// value set from outside (setValue) only stores, and the next idle redraws the
// control because its value differs from the one it last drew.
#pragma once

#include <cstdint>

#include "gui/View.h"

class Control;
class DrawContext;

class ControlListener {
public:
  virtual ~ControlListener() = default;
  // The user changed `control`'s value.
  virtual void valueChanged(DrawContext* context, Control* control) = 0;
};

class Control : public View {
public:
  Control(const Rect& size, ControlListener* listener, int32_t tag);
  ~Control() override;

  void draw(DrawContext* context) override = 0;
  void mouseDown(DrawContext* context, Point where) override;
  // Draws when the value differs from the one last drawn.
  void updateIfChanged(DrawContext* context) override;

  // Lets the editor and the host do their idle work during mouse tracking.
  virtual void serviceIdle();
  virtual void setValue(float newValue) { value = newValue; }
  virtual float getValue() const { return value; }
  virtual void setMin(float newMin) { vmin = newMin; }
  virtual float getMin() const { return vmin; }
  virtual void setMax(float newMax) { vmax = newMax; }
  virtual float getMax() const { return vmax; }
  virtual void setOldValue(float oldValue) { lastValueDrawn = oldValue; }
  virtual float getOldValue() const { return lastValueDrawn; }
  virtual void setDefaultValue(float newDefault) { defaultValue = newDefault; }
  virtual float getDefaultValue() const { return defaultValue; }
  virtual void setMouseEnabled(bool enabled) { mouseEnabled = enabled; }
  virtual bool getMouseEnabled() const { return mouseEnabled; }

  int32_t getTag() const { return tag; }
  ControlListener* getListener() const { return listener; }

protected:
  // True when what is shown is out of date (NaN counts as equal to NaN, so a
  // bad value cannot make a control redraw on every idle).
  bool valueDiffersFromDrawn() const;
  // Tells the listener, if there is one.
  void reportChange(DrawContext* context);

  ControlListener* listener;
  int32_t tag;
  bool mouseEnabled = true;
  float lastValueDrawn = -1.0f;
  float defaultValue = 0.5f;
  float value = 0.0f;
  float vmin = 0.0f;
  float vmax = 1.0f;
};
