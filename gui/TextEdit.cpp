#include "gui/TextEdit.h"

#include <cstring>

#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace {
constexpr std::size_t kMaxStoredLength = ParamDisplay::kTextCapacity - 1;
}  // namespace

TextEdit::TextEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text, Bitmap* background,
                   int style)
    : ParamDisplay(size, listener, tag, background, style)
{
  if (text) storeText(text, kMaxStoredLength);
}

void TextEdit::storeText(const char* text, std::size_t maxLength)
{
  const std::size_t length = strnlen(text, maxLength);
  for (std::size_t i = 0; i < length; ++i) text_[i].store(text[i], std::memory_order_relaxed);
  text_[length].store('\0', std::memory_order_relaxed);
}

std::string TextEdit::text() const
{
  std::string copy;
  for (std::size_t i = 0; i < kMaxStoredLength; ++i) {
    const char c = text_[i].load(std::memory_order_relaxed);
    if (c == '\0') break;
    copy.push_back(c);
  }
  return copy;
}

// A field still open belongs to this box and simply goes with it; the frame
// ends edits properly (loseFocus) before it deletes its views.
TextEdit::~TextEdit() = default;

void TextEdit::setText(const char* text)
{
  if (!text) return;
  storeText(text, kMaxStoredLength);
  lastValueDrawn = value == 0.0f ? 1.0f : 0.0f;
}

void TextEdit::getText(char* buffer) const
{
  if (!buffer) return;
  const std::string copy = text();
  std::memcpy(buffer, copy.c_str(), copy.size() + 1);
}

void TextEdit::draw(DrawContext* context)
{
  const float marker = lastValueDrawn;
  const float shownValue = value;
  if (editConvert) {
    char shown[kTextCapacity] = {};
    editConvert(text().c_str(), shown);
    shown[kTextCapacity - 1] = '\0';
    drawText(context, shown);
  } else {
    drawText(context, text());
  }
  recordDrawn(marker, shownValue);
}

PressOutcome TextEdit::mouseDown(DrawContext*, const MouseEvent& event)
{
  if (!mouseEnabled || !parent || event.state != kMouseLeft) return PressOutcome::done;
  if (parent->getFocusView() == this) return PressOutcome::done;
  parent->setFocusView(this);
  takeFocus();
  return PressOutcome::done;
}

void TextEdit::takeFocus()
{
  if (field_ || !parent || !parent->getWindow()) return;
  FontSpec font = fontTableEntry(fontId);
  font.weight = 400;
  font.family = FontFamily::swiss;
  font.variablePitch = true;
  const Rect area{size.left, size.top, size.left + size.width() + 1, size.top + size.height() + 1};
  field_ = parent->getWindow()->createTextField(area, text(), font, *this);
  if (!field_ && parent->getFocusView() == this) parent->setFocusView(nullptr);
}

void TextEdit::textFieldFinished() { loseFocus(); }

void TextEdit::loseFocus()
{
  if (!field_) return;
  const std::string oldText = text();
  const std::string edited = field_->text();
  storeText(edited.c_str(), kMaxEditedLength);
  field_.reset();
  if (!parent) return;
  parent->setFocusView(nullptr);
  ChildWindow* window = parent->getWindow();
  std::unique_ptr<Canvas> canvas = window ? window->canvas() : nullptr;
  if (!canvas) {
    if (text() != oldText) reportChange(nullptr);
    return;
  }
  DrawContext context(*canvas, parent);
  if (text() != oldText) reportChange(&context);
  draw(&context);
}
