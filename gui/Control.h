// Controls: views that hold a normalised value (0.0 to 1.0), draw it and
// change it under the mouse. A user change is reported to the listener; a
// value set from outside (setValue) only stores, and the next idle redraws the
// control because its value differs from the one it last drew. The mouse
// reaches a control as events from the frame (press, the moves of its drag,
// release), so a drag never holds the thread: the host's interface keeps
// running between the events.
#pragma once

#include <atomic>
#include <cstdint>

#include "gui/View.h"

// A float that one thread may store while another reads it: the effect sets
// control values (and asks for redraws) from whatever thread changed a
// parameter, while the interface thread draws. Relaxed order is enough: each
// value stands alone, and a late one is picked up at the next idle.
class RelaxedFloat {
public:
  RelaxedFloat(float initial = 0.0f) : v_(initial) {}  // NOLINT(google-explicit-constructor)
  RelaxedFloat(const RelaxedFloat& other) : v_(float(other)) {}
  RelaxedFloat& operator=(const RelaxedFloat& other) { return *this = float(other); }
  RelaxedFloat& operator=(float f)
  {
    v_.store(f, std::memory_order_relaxed);
    return *this;
  }
  operator float() const { return v_.load(std::memory_order_relaxed); }  // NOLINT(google-explicit-constructor)
  // Stores `desired` only if the value is still `expected` (compared bit for
  // bit, so a NaN matches itself): a draw records what it showed unless
  // another thread asked for a redraw meanwhile.
  void replaceIf(float expected, float desired)
  {
    v_.compare_exchange_strong(expected, desired, std::memory_order_relaxed);
  }

private:
  std::atomic<float> v_;
};

class Control;
class DrawContext;

class ControlListener {
public:
  virtual ~ControlListener() = default;
  // The user changed `control`'s value.
  virtual void valueChanged(DrawContext* context, Control* control) = 0;
  // The user took hold of `control` (its drag starts with a press) and let it
  // go again (the release); the changes in between belong to that one touch.
  // A change outside such a pair is a touch of its own (a click, a commit).
  virtual void controlBeginEdit(Control* /*control*/) {}
  virtual void controlEndEdit(Control* /*control*/) {}
};

class Control : public View {
public:
  Control(const Rect& size, ControlListener* listener, int32_t tag);
  ~Control() override;

  void draw(DrawContext* context) override = 0;
  // Draws when the value differs from the one last drawn.
  void updateIfChanged(DrawContext* context) override;

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
  // Alt-click (Alt with the left button) sets the default value, reported if
  // it changes what is shown. True when `event` was that click, which ends
  // the press.
  bool tookDefaultOnAltClick(DrawContext* context, const MouseEvent& event);
  // Tell the listener that a drag starts and ends.
  void beginEdit();
  void endEdit();

  ControlListener* listener;
  int32_t tag;
  bool mouseEnabled = true;
  RelaxedFloat lastValueDrawn = -1.0f;  // any thread may force a redraw
  float defaultValue = 0.5f;
  RelaxedFloat value = 0.0f;  // any thread may store a new value
  float vmin = 0.0f;
  float vmax = 1.0f;
};
