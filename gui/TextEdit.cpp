#include "gui/TextEdit.h"

#include <cstring>

#include "gui/DrawContext.h"
#include "gui/Frame.h"

namespace {
constexpr std::size_t kMaxStoredLength = ParamDisplay::kTextCapacity - 1;
}  // namespace

TextEdit::TextEdit(const Rect& size, ControlListener* listener, int32_t tag, const char* text,
                   Bitmap* background, int style)
    : ParamDisplay(size, listener, tag, background, style) {
  if (text) text_.assign(text, strnlen(text, kMaxStoredLength));
}

// A field still open belongs to this box and simply goes with it; the frame
// ends edits properly (loseFocus) before it deletes its views.
TextEdit::~TextEdit() = default;

void TextEdit::setText(const char* text) {
  if (!text) return;
  text_.assign(text, strnlen(text, kMaxStoredLength));
  lastValueDrawn = value == 0.0f ? 1.0f : 0.0f;
}

void TextEdit::getText(char* buffer) const {
  if (!buffer) return;
  std::memcpy(buffer, text_.c_str(), text_.size() + 1);
}

void TextEdit::draw(DrawContext* context) {
  if (editConvert) {
    char shown[kTextCapacity] = {};
    editConvert(text_.c_str(), shown);
    shown[kTextCapacity - 1] = '\0';
    drawText(context, shown);
  } else {
    drawText(context, text_);
  }
}

void TextEdit::mouseDown(DrawContext* context, Point) {
  if (!context || !mouseEnabled || !parent) return;
  if (context->getMouseButtons() != kMouseLeft) return;
  if (parent->getFocusView() == this) return;
  parent->setFocusView(this);
  takeFocus();
}

void TextEdit::takeFocus() {
  if (field_ || !parent || !parent->getWindow()) return;
  FontSpec font = fontTableEntry(fontId);
  font.weight = 400;
  font.family = FontFamily::swiss;
  font.variablePitch = true;
  const Rect area{size.left, size.top, size.left + size.width() + 1, size.top + size.height() + 1};
  field_ = parent->getWindow()->createTextField(area, text_, font, *this);
  if (!field_ && parent->getFocusView() == this) parent->setFocusView(nullptr);
}

void TextEdit::textFieldFinished() { loseFocus(); }

void TextEdit::loseFocus() {
  if (!field_) return;
  const std::string oldText = text_;
  std::string edited = field_->text();
  if (edited.size() > kMaxEditedLength) edited.resize(kMaxEditedLength);
  text_ = edited;
  field_.reset();
  if (!parent) return;
  parent->setFocusView(nullptr);
  ChildWindow* window = parent->getWindow();
  std::unique_ptr<Canvas> canvas = window ? window->canvas() : nullptr;
  if (!canvas) {
    if (text_ != oldText) reportChange(nullptr);
    return;
  }
  DrawContext context(*canvas, parent);
  if (text_ != oldText) reportChange(&context);
  draw(&context);
}
